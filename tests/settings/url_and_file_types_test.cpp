#include "platform/files.h"
#include "settings/file_types.h"
#include "settings/registry_keys.h"
#include "settings/url_history.h"
#include "settings_fixture.h"

namespace vl {
namespace {

using UrlHistoryTest = test::FreshHome;
using FileTypesTest = test::FreshHome;

TEST_F(UrlHistoryTest, AddingShiftsAndKeepsASixthValue) {
    EXPECT_TRUE(ReadUrlHistory().empty());
    for (int i = 1; i <= 7; ++i) ASSERT_TRUE(AddUrlToHistory(L"http://radio/" + std::to_wstring(i)));
    ASSERT_TRUE(AddUrlToHistory(L"http://radio/7"));  // the same address twice is kept twice
    Restart();
    EXPECT_EQ((std::vector<std::wstring>{L"http://radio/7", L"http://radio/7", L"http://radio/6",
                                         L"http://radio/5", L"http://radio/4"}),
              ReadUrlHistory());
    RegKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kUrlHistoryKey));
    std::wstring sixth;
    EXPECT_TRUE(key.QueryString(L"Location5", sixth, 520));
    EXPECT_EQ(L"http://radio/3", sixth);
    EXPECT_FALSE(key.QueryString(L"Location6", sixth, 520));
}

TEST_F(UrlHistoryTest, EntriesThatCannotBeReadAreSkippedAndStillMoveWhole) {
    {
        RegKey key;
        ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, kUrlHistoryKey));
        key.SetString(L"Location0", L"http://a");
        key.SetString(L"Location1", L"http://" + std::wstring(300, L'x'));  // too long to show
        key.SetString(L"Location2", L"http://c");
    }
    EXPECT_EQ((std::vector<std::wstring>{L"http://a", L"http://c"}), ReadUrlHistory());
    ASSERT_TRUE(AddUrlToHistory(L"http://new"));
    RegKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kUrlHistoryKey));
    std::wstring moved;
    EXPECT_TRUE(key.QueryString(L"Location2", moved, 4096));
    EXPECT_EQ(307u, moved.size());
    EXPECT_EQ((std::vector<std::wstring>{L"http://new", L"http://a", L"http://c"}), ReadUrlHistory());
}

TEST(UrlFromTyped, PrefixRule) {
    struct Row {
        std::wstring typed, url;
    };
    const std::vector<Row> rows = {
        {L"radio.example:8000/live", L"http://radio.example:8000/live"},
        {L"http://host/x", L"http://host/x"},
        // A scheme of its own is kept, not prefixed again.
        {L"HTTP://host/x", L"HTTP://host/x"},
        {L"https://host/x", L"https://host/x"},
        {L"host/a://b", L"http://host/a://b"},
        {L"://host", L"http://://host"},
        {L"", L""},
        {std::wstring(300, L'a'), L"http://" + std::wstring(kUrlMaxLength - 7, L'a')},
    };
    for (const auto& r : rows) EXPECT_EQ(r.url, MakeUrlFromTyped(r.typed));
}

std::wstring Default(const std::wstring& keyName, const wchar_t* value = L"") {
    RegKey key;
    std::wstring text = L"<no key>";
    if (!key.Open(HKEY_CLASSES_ROOT, keyName)) return text;
    if (!key.QueryString(value, text, 520)) text = L"<missing>";
    return text;
}

TEST_F(FileTypesTest, RegisterKeepsThePreviousOwnerAndUnregisterGivesItBack) {
    struct Row {
        const char* what;
        const wchar_t* before;  // nullptr: no ".mp3" key; L"-": key without a default
        std::wstring backup;
        std::wstring afterUnregister;
    };
    const std::vector<Row> rows = {
        {"another owner", L"OtherPlayer.mp3", L"OtherPlayer.mp3", L"OtherPlayer.mp3"},
        {"no key", nullptr, L"", L""},
        {"key without a default", L"-", L"", L""},
    };
    const std::wstring module = GetExecutablePath();
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        SetUp();
        if (r.before) {
            RegKey key;
            ASSERT_TRUE(key.Create(HKEY_CLASSES_ROOT, L".mp3"));
            if (std::wstring(r.before) != L"-") key.SetString(L"", r.before);
        }
        EXPECT_FALSE(IsFileTypeRegistered(L"mp3", kAudioFileClass));
        ASSERT_TRUE(RegisterFileType(L"mp3", kAudioFileClass, kAudioFileDescription, kFileTypeIconIndex));
        ASSERT_TRUE(RegisterFileType(L".mp3", kAudioFileClass, kAudioFileDescription, kFileTypeIconIndex));
        Restart();
        EXPECT_TRUE(IsFileTypeRegistered(L"mp3", kAudioFileClass));
        EXPECT_TRUE(IsFileTypeRegistered(L".mp3", kAudioFileClass));
        EXPECT_FALSE(IsFileTypeRegistered(L"mp3", kPlaylistClass));
        EXPECT_EQ(r.backup, Default(L".mp3", kBackupValueName));  // registering twice keeps it
        EXPECT_EQ(L"Audio File", Default(kAudioFileClass));
        EXPECT_EQ(module + L",-200", Default(L"Versolune AudioFile\\DefaultIcon"));
        EXPECT_EQ(L"\"" + module + L"\" \"%1\"", Default(L"Versolune AudioFile\\Shell\\Open\\Command"));

        ASSERT_TRUE(UnregisterFileType(L"mp3", kAudioFileClass));
        Restart();
        EXPECT_FALSE(IsFileTypeRegistered(L"mp3", kAudioFileClass));
        EXPECT_EQ(r.afterUnregister, Default(L".mp3"));
        EXPECT_EQ(L"<missing>", Default(L".mp3", kBackupValueName));
        EXPECT_EQ(L"Audio File", Default(kAudioFileClass));  // the class keys stay
    }
}

TEST_F(FileTypesTest, UnregisterAfterAnotherProgramTookOverOnlyDropsTheBackup) {
    {
        RegKey key;
        ASSERT_TRUE(key.Create(HKEY_CLASSES_ROOT, L".ogg"));
        key.SetString(L"", L"First.ogg");
    }
    ASSERT_TRUE(RegisterFileType(L"ogg", kAudioFileClass, kAudioFileDescription, kFileTypeIconIndex));
    {
        RegKey key;
        ASSERT_TRUE(key.Open(HKEY_CLASSES_ROOT, L".ogg"));
        key.SetString(L"", L"Later.ogg");
    }
    ASSERT_TRUE(UnregisterFileType(L"ogg", kAudioFileClass));
    EXPECT_EQ(L"Later.ogg", Default(L".ogg"));
    EXPECT_EQ(L"<missing>", Default(L".ogg", kBackupValueName));
    EXPECT_FALSE(UnregisterFileType(L"wav", kAudioFileClass));  // no key: nothing to do
    EXPECT_FALSE(RegisterFileType(L"a\\b", kAudioFileClass, kAudioFileDescription, kFileTypeIconIndex));
}

}  // namespace
}  // namespace vl
