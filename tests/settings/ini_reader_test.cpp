#include "settings/ini_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/text.h"
#include "support/test_support.h"

namespace vl {
namespace {

// Opens the text as a stream the way callers do ("r" on a real file).
class IniFile {
public:
    explicit IniFile(const std::string& text) {
        path_ = test::TempDir() + "/t.ini";
        test::WriteFile(path_, text);
        file_ = std::fopen(path_.c_str(), "r");
    }
    ~IniFile() {
        if (file_) std::fclose(file_);
    }
    FILE* get() const { return file_; }

private:
    std::string path_;
    FILE* file_ = nullptr;
};

const char kSkin[] =
    "; leading comment\n"
    "Rate=0\n"
    "[Main]\n"
    "Rate=12   \n"
    " Rate=13\n"
    "Delay =14\n"
    ";Echo=15\n"
    "no equals sign\n"
    "Empty=\n"
    "Path=C:\\a b\\c.mp3\r\n"
    "Eq=a=b\n"
    "[Other]\n"
    "Only=1\n"
    "[Main]\n"
    "Late=16\n"
    "[Last]\n"
    "Tail=end";  // no line feed at the end

TEST(IniReader, Lookups) {
    const struct {
        const wchar_t* section;
        const wchar_t* key;
        bool found;
        const wchar_t* value;
    } rows[] = {
        {L"Main", L"Rate", true, L"12"},            // trailing blanks removed
        {L"Main", L" Rate", true, L"13"},           // a leading blank is part of the key
        {L"Main", L"Delay ", true, L"14"},          // so is a blank before '='
        {L"Main", L"Delay", false, L""},
        {L"Main", L"rate", false, L""},             // keys are case-sensitive
        {L"main", L"Rate", false, L""},             // sections too
        {L"Main", L"Echo", false, L""},             // behind a comment
        {L"Main", L";Echo", false, L""},
        {L"Main", L"Empty", true, L""},
        {L"Main", L"Path", true, L"C:\\a b\\c.mp3"},  // CR LF line end
        {L"Main", L"Eq", true, L"a=b"},             // split at the first '='
        {L"Main", L"Only", false, L""},             // the next header ends the section
        {L"Main", L"Late", false, L""},             // a repeated section is not read
        {L"Other", L"Only", true, L"1"},
        {L"Last", L"Tail", true, L"end"},
        {L"Missing", L"Rate", false, L""},
        {L"", L"Rate", false, L""},
    };
    IniFile ini(kSkin);
    ASSERT_TRUE(ini.get());
    for (const auto& r : rows) {
        std::wstring value = L"stale";
        EXPECT_EQ(ReadIniValue(ini.get(), r.section, r.key, value), r.found) << WideToUtf8(r.key);
        EXPECT_EQ(value, r.value) << WideToUtf8(r.key);
    }
    std::wstring value = L"stale";
    EXPECT_FALSE(ReadIniValue(nullptr, L"Main", L"Rate", value));
    EXPECT_EQ(value, L"");
}

TEST(IniReader, LongLines) {
    std::string longValue(400, 'v');
    std::string text = "[S]\nLong=" + longValue + "\n" +
                       // The rest of an over-long line is neither a header nor a key.
                       "Pad=" + std::string(255, 'p') + "[S2]\nKey=" + std::string(300, 'k') + "Hidden=1\n" +
                       "After=2\n";
    IniFile ini(text);
    std::wstring value;
    ASSERT_TRUE(ReadIniValue(ini.get(), L"S", L"Long", value));
    EXPECT_EQ(value, std::wstring(kIniLineBytes - 5, L'v'));
    EXPECT_FALSE(ReadIniValue(ini.get(), L"S", L"Hidden", value));
    ASSERT_TRUE(ReadIniValue(ini.get(), L"S", L"After", value));
    EXPECT_EQ(value, L"2");
}

TEST(IniReader, AnsiValues) {
    IniFile ini("[Caf\xE9]\nName=Andr\xE9\n");
    SetAnsiCodePage("ISO-8859-1");
    std::wstring value;
    EXPECT_TRUE(ReadIniValue(ini.get(), L"Caf\u00e9", L"Name", value));
    EXPECT_EQ(value, L"Andr\u00e9");
    SetAnsiCodePage("");
}

}  // namespace
}  // namespace vl
