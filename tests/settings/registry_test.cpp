#include <signal.h>
#include <sys/resource.h>

#include <cstring>

#include "platform/files.h"
#include "platform/text.h"
#include "settings_fixture.h"

namespace vl {
namespace {

using test::FreshHome;
using RegistryTest = FreshHome;

const wchar_t kKey[] = L"Software\\Test\\Key";

std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s.push_back(static_cast<char>(v));
    return s;
}

TEST_F(RegistryTest, ValuesSurviveARestartWithTypesAndBytes) {
    struct Row {
        std::wstring name;
        uint32_t type;
        std::string data;
    };
    const std::vector<Row> rows = {
        {L"Number", REG_DWORD, Bytes({0xfe, 0xff, 0xff, 0xff})},
        {L"Path", REG_SZ, ToRegSz(L"/home/me/\x00e9t\x00e9 \"q\" back\\slash\nline\ttab\x0001 \U0001F3B5")},
        {L"", REG_SZ, ToRegSz(L"Audio File")},
        {L"Empty", REG_SZ, ToRegSz(L"")},
        {L"NoTerminator", REG_SZ, Bytes({'a', 0, 'b', 0})},
        {L"LoneSurrogate", REG_SZ, Bytes({0x00, 0xd8, 0, 0})},
        {L"ShortNumber", REG_DWORD, Bytes({1, 2})},
        {L"Blob", REG_BINARY, Bytes({0, 0xff, 0x7f})},
        {L"Odd type", 0x2a, std::string()},
        {L"name with \"quotes\" = and ;", REG_DWORD, Bytes({1, 0, 0, 0})},
    };
    {
        RegKey key;
        ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, kKey));
        for (const auto& r : rows) ASSERT_TRUE(key.SetValue(r.name, r.type, r.data.data(), uint32_t(r.data.size())));
        RegKey empty;
        ASSERT_TRUE(empty.Create(HKEY_CURRENT_USER, L"Software\\Test\\Empty Key"));
        ASSERT_TRUE(key.Close());
    }
    Restart();
    RegKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, L"software\\TEST\\key"));  // names ignore case
    for (const auto& r : rows) {
        SCOPED_TRACE(WideToUtf8(r.name));
        char buf[256];
        uint32_t type = 0, size = sizeof(buf);
        ASSERT_TRUE(key.QueryValue(r.name, &type, buf, &size));
        EXPECT_EQ(r.type, type);
        EXPECT_EQ(r.data, std::string(buf, size));
    }
    RegKey empty;
    EXPECT_TRUE(empty.Open(HKEY_CURRENT_USER, L"Software\\Test\\Empty Key"));
    EXPECT_FALSE(empty.Open(HKEY_CURRENT_USER, L"Software\\Test\\Missing"));

    // The file is plain text a person can read.
    std::string text = test::ReadFile(UserFile());
    EXPECT_NE(text.find("[Software\\Test\\Key]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Number\"=dword:fffffffe\n"), std::string::npos);
    EXPECT_NE(text.find("@=\"Audio File\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"NoTerminator\"=hex(1):61,00,62,00\n"), std::string::npos);
}

TEST_F(RegistryTest, HandEditedFileIsRead) {
    test::WriteFile(UserFile(),
                    "; edited by hand\r\n"
                    "# another comment\n"
                    "\n"
                    "  [Software\\Test\\Key]  \r\n"
                    "\"Small\" = dword:1e\n"
                    "\"Text\"=\"caf\xc3\xa9\"\n"
                    "\"small\"=dword:1f\n");  // the later line wins, names ignore case
    testing::internal::CaptureStderr();
    RegKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kKey));
    int32_t n = 0;
    EXPECT_TRUE(key.QueryDword(L"Small", n));
    EXPECT_EQ(0x1f, n);
    std::wstring s;
    EXPECT_TRUE(key.QueryString(L"Text", s, 520));
    EXPECT_EQ(L"caf\x00e9", s);
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
}

TEST_F(RegistryTest, ReadsFollowTheBufferRules) {
    RegKey key;
    ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, kKey));
    struct NumberRow {
        const char* what;
        uint32_t type;
        std::string data;
        bool requireDword;
        bool read;
        int32_t expect;
    };
    const std::vector<NumberRow> numbers = {
        {"dword", REG_DWORD, Bytes({0x78, 0x56, 0x34, 0x12}), false, true, 0x12345678},
        {"4-byte text is the number its bytes make", REG_SZ, Bytes({'a', 0, 0, 0}), false, true, 'a'},
        {"4-byte text where the type is checked", REG_SZ, Bytes({'a', 0, 0, 0}), true, false, 0},
        {"too short", REG_DWORD, Bytes({1, 2}), false, false, 0},
        {"too long", REG_BINARY, Bytes({1, 2, 3, 4, 5}), false, false, 0},
        {"empty", REG_DWORD, std::string(), false, false, 0},
    };
    for (const auto& r : numbers) {
        SCOPED_TRACE(r.what);
        ASSERT_TRUE(key.SetValue(L"N", r.type, r.data.data(), uint32_t(r.data.size())));
        int32_t value = -77;
        EXPECT_EQ(r.read, key.QueryDword(L"N", value, r.requireDword));
        EXPECT_EQ(r.read ? r.expect : -77, value);
    }
    int32_t value = -77;
    EXPECT_FALSE(key.QueryDword(L"Missing", value));
    EXPECT_EQ(-77, value);

    // Texts: 259 characters and the terminator fit 520 bytes, 260 do not; characters outside
    // the BMP count as one.
    struct TextRow {
        std::wstring text;
        bool read;
    };
    const std::vector<TextRow> texts = {
        {std::wstring(259, L'x'), true},
        {std::wstring(260, L'x'), false},
        {std::wstring(259, L'\U0001F3B5'), true},
        {std::wstring(), true},
    };
    for (const auto& r : texts) {
        ASSERT_TRUE(key.SetString(L"S", r.text));
        std::wstring out = L"previous";
        EXPECT_EQ(r.read, key.QueryString(L"S", out, 520)) << r.text.size();
        EXPECT_EQ(r.read ? r.text : L"previous", out);
    }
    // Stored without a terminator: it needs room for one.
    std::string unterminated = ToRegSz(std::wstring(260, L'y'));
    unterminated.resize(520);
    ASSERT_TRUE(key.SetValue(L"S", REG_SZ, unterminated.data(), 520));
    std::wstring out;
    EXPECT_FALSE(key.QueryString(L"S", out, 520));

    // A raw read into a buffer that is too small fails, reports the size and leaves the buffer.
    ASSERT_TRUE(key.SetString(L"S", L"abcd"));
    char buf[6];
    std::memset(buf, '#', sizeof(buf));
    uint32_t size = sizeof(buf), type = 0;
    EXPECT_FALSE(key.QueryValue(L"S", &type, buf, &size));
    EXPECT_EQ(10u, size);
    EXPECT_EQ(std::string(6, '#'), std::string(buf, 6));
    size = 0;
    EXPECT_TRUE(key.QueryValue(L"S", &type, nullptr, &size));
    EXPECT_EQ(10u, size);
}

TEST_F(RegistryTest, KeysAreCreatedEnumeratedAndDeleted) {
    {
        RegKey key;
        ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, L"A\\B\\C"));
        ASSERT_TRUE(key.SetDword(L"v", 1));
        RegKey sibling;
        ASSERT_TRUE(sibling.Create(HKEY_CURRENT_USER, L"A\\B2"));
    }
    RegKey a;
    ASSERT_TRUE(a.Open(HKEY_CURRENT_USER, L"A"));
    std::wstring name;
    EXPECT_TRUE(a.EnumKey(0, &name));
    EXPECT_EQ(L"B", name);
    EXPECT_TRUE(a.EnumKey(1, &name));
    EXPECT_EQ(L"B2", name);
    EXPECT_FALSE(a.EnumKey(2, &name));

    for (const wchar_t* bad : {L"\\A", L"A\\\\B", L"A\\", L"A\nB"}) {
        RegKey k;
        EXPECT_FALSE(k.Create(HKEY_CURRENT_USER, bad)) << WideToUtf8(bad);
    }

    EXPECT_TRUE(RegDeleteKey(HKEY_CURRENT_USER, L"A\\B"));
    EXPECT_FALSE(RegDeleteKey(HKEY_CURRENT_USER, L"A\\B"));
    Restart();
    RegKey k;
    EXPECT_FALSE(k.Open(HKEY_CURRENT_USER, L"A\\B\\C"));
    EXPECT_TRUE(k.Open(HKEY_CURRENT_USER, L"A\\B2"));
}

// A damaged file: what is sound is read, the damage is reported once, and the file stays as it
// is until settings are saved; the save keeps the old file as *.damaged.
TEST_F(RegistryTest, DamagedFileIsReadAsFarAsSoundAndKeptUntilSaved) {
    const std::string good =
        "[Software\\Test\\Key]\n"
        "\"Before\"=dword:00000007\n";
    struct Row {
        const char* what;
        std::string tail;
        bool afterIsRead;  // "After" comes behind the damage
    };
    const std::vector<Row> rows = {
        {"cut inside a text", "\"Cut\"=\"/home/me/Mu", false},
        {"cut inside a number", "\"Cut\"=dword:", false},
        {"binary garbage line", std::string("\x00\xff\xfe\x01garbage\n", 12) + "\"After\"=dword:00000001\n", true},
        {"bad key line drops its values", "[Software\\\\Bad]\n\"Lost\"=dword:1\n[Software\\Test\\Key]\n\"After\"=dword:1\n",
         true},
        {"unknown value form", "\"X\"=word:1\n\"After\"=dword:1\n", true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        SetUp();
        const std::string original = good + r.tail;
        ASSERT_TRUE(test::WriteFile(UserFile(), original));

        testing::internal::CaptureStderr();
        for (int i = 0; i < 3; ++i) {
            RegKey key;
            ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kKey));
            int32_t v = 0;
            EXPECT_TRUE(key.QueryDword(L"Before", v));
            EXPECT_EQ(7, v);
            EXPECT_EQ(r.afterIsRead, key.QueryDword(L"After", v));
            EXPECT_FALSE(key.QueryDword(L"Lost", v));
        }
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("is damaged"), std::string::npos) << err;
        EXPECT_EQ(err.find("is damaged"), err.rfind("is damaged")) << "reported more than once: " << err;
        EXPECT_EQ(original, test::ReadFile(UserFile()));

        {
            RegKey key;
            ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kKey));
            ASSERT_TRUE(key.SetDword(L"New", 3));
        }
        EXPECT_EQ(original, test::ReadFile(UserFile() + ".damaged"));
        Restart();
        testing::internal::CaptureStderr();
        RegKey key;
        ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kKey));
        int32_t v = 0;
        EXPECT_TRUE(key.QueryDword(L"Before", v));
        EXPECT_TRUE(key.QueryDword(L"New", v));
        EXPECT_EQ("", testing::internal::GetCapturedStderr());
    }
}

TEST_F(RegistryTest, UnreadableFileIsReportedOnceAndKept) {
    // A folder where the file should be: it exists but cannot be read, and must not vanish.
    ASSERT_TRUE(MakeDirectory(WidePath(UserFile())));
    ASSERT_TRUE(test::WriteFile(UserFile() + "/inside", "x"));
    testing::internal::CaptureStderr();
    RegKey key;
    EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, L"K"));
    ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, L"K"));
    key.SetDword(L"v", 1);
    EXPECT_FALSE(key.Close());
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("cannot be read"), std::string::npos) << err;
    EXPECT_EQ(err.find("cannot be read"), err.rfind("cannot be read")) << err;
    EXPECT_EQ("x", test::ReadFile(UserFile() + "/inside"));
}

// A save that cannot finish (full disk, killed writer) leaves the old file whole.
TEST_F(RegistryTest, FailedSaveKeepsTheOldFile) {
    {
        RegKey key;
        ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, kKey));
        key.SetDword(L"Kept", 1);
    }
    const std::string before = test::ReadFile(UserFile());
    ASSERT_FALSE(before.empty());

    RegKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kKey));
    key.SetString(L"Big", std::wstring(20000, L'z'));
    struct rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = before.size() + 100;
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
    bool saved = key.Close();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(before, test::ReadFile(UserFile()));
    EXPECT_EQ(1u, ListDirectory(WidePath(home)).size()) << "a temporary file was left behind";

    // The change is still pending and goes out with the next save.
    EXPECT_TRUE(Registry::Get(HKEY_CURRENT_USER).Flush());
    Restart();
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kKey));
    std::wstring big;
    EXPECT_TRUE(key.QueryString(L"Big", big, 1u << 20));
    EXPECT_EQ(20000u, big.size());
}

}  // namespace
}  // namespace vl
