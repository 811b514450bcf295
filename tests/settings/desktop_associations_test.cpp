// The desktop side of the file associations: the user's mimeapps.list follows the registered
// extensions, and the defaults it had come back exactly.
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "platform/files.h"
#include "platform/text.h"
#include "settings/desktop_associations.h"
#include "settings/file_types.h"
#include "settings_fixture.h"

namespace vl {
namespace {

class DesktopAssociationsTest : public test::FreshHome {
protected:
    void SetUp() override {
        FreshHome::SetUp();
        config = home + "/config";
        data = home + "/data";
        MakeDirectory(WidePath(config));
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        setenv("XDG_DATA_HOME", data.c_str(), 1);
        setenv("XDG_DATA_DIRS", (home + "/system").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_DATA_HOME");
        unsetenv("XDG_DATA_DIRS");
    }
    std::string MimeApps() const {
        std::string text;
        ReadFileBytes(WidePath(config + "/mimeapps.list"), text);
        return text;
    }
    void WriteMimeApps(const std::string& text) const {
        ASSERT_TRUE(WriteFileAtomic(WidePath(config + "/mimeapps.list"), text));
    }
    static void Tick(const wchar_t* extension, bool on) {
        if (on) RegisterFileType(extension, kAudioFileClass, kAudioFileDescription, kFileTypeIconIndex);
        else UnregisterFileType(extension, kAudioFileClass);
    }
    std::string config, data;
};

const char kOriginal[] =
    "# mine\n"
    "[Added Associations]\n"
    "audio/mpeg=other.desktop;\n"
    "\n"
    "[Default Applications]\n"
    "audio/mpeg=other.desktop;second.desktop;\n"
    "text/plain=editor.desktop\n"
    "\n"
    "[Removed Associations]\n"
    "audio/ogg=bad.desktop\n";

TEST_F(DesktopAssociationsTest, TypeIsOursWhileAnyExtensionIsTickedThenGivenBackExactly) {
    WriteMimeApps(kOriginal);
    Tick(L"mp3", true);
    Tick(L"mp2", true);
    ASSERT_TRUE(SyncDesktopDefaults());
    std::string text = MimeApps(), value;
    ASSERT_TRUE(GetDefaultApplication(text, "audio/mpeg", value));
    EXPECT_EQ(value, "versolune.desktop");
    EXPECT_FALSE(GetDefaultApplication(text, "audio/ogg", value));
    ASSERT_TRUE(GetDefaultApplication(text, "text/plain", value));
    EXPECT_EQ(value, "editor.desktop");
    EXPECT_NE(text.find("[Added Associations]\naudio/mpeg=other.desktop;\n"), std::string::npos);
    // No launcher installed: a user copy that starts this executable.
    std::string launcher;
    ASSERT_TRUE(ReadFileBytes(WidePath(data + "/applications/versolune.desktop"), launcher));
    EXPECT_NE(launcher.find("Exec=\"" + NativePath(GetExecutablePath()) + "\" %F"), std::string::npos);

    // One of the two extensions unticked: still ours.
    Tick(L"mp3", false);
    ASSERT_TRUE(SyncDesktopDefaults());
    EXPECT_EQ(MimeApps(), text);
    Tick(L"mp2", false);
    Restart();
    ASSERT_TRUE(SyncDesktopDefaults());
    EXPECT_EQ(MimeApps(), kOriginal);
}

TEST_F(DesktopAssociationsTest, AddedWhereverTheFileLacksItAndRemovedAgain) {
    struct Row {
        const char* before;
        const char* whileOurs;
    };
    const Row rows[] = {
        {nullptr, "[Default Applications]\naudio/ogg=versolune.desktop\n"},
        {"[Other]\nx=y", "[Other]\nx=y\n\n[Default Applications]\naudio/ogg=versolune.desktop\n"},
        {"[Default Applications]\ntext/plain=a\n\n", "[Default Applications]\ntext/plain=a\naudio/ogg=versolune.desktop\n\n"},
        {"\x01\xff garbage\n[Default Applications\n=\n", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.before ? row.before : "no file");
        DeleteFile(WidePath(config + "/mimeapps.list"));
        if (row.before) WriteMimeApps(row.before);
        Tick(L"ogg", true);
        ASSERT_TRUE(SyncDesktopDefaults());
        if (row.whileOurs) {
            EXPECT_EQ(MimeApps(), row.whileOurs);
        }
        Tick(L"ogg", false);
        ASSERT_TRUE(SyncDesktopDefaults());
        std::string value;
        EXPECT_FALSE(GetDefaultApplication(MimeApps(), "audio/ogg", value));
        // Every byte that was there is still there.
        if (row.before) {
            EXPECT_EQ(MimeApps().substr(0, std::string(row.before).size()), row.before);
        }
    }
}

TEST_F(DesktopAssociationsTest, AnotherApplicationThatTookTheTypeOverKeepsIt) {
    WriteMimeApps("[Default Applications]\naudio/x-wav=old.desktop\n");
    Tick(L"wav", true);
    ASSERT_TRUE(SyncDesktopDefaults());
    WriteMimeApps("[Default Applications]\naudio/x-wav=newer.desktop\n");
    Tick(L"wav", false);
    ASSERT_TRUE(SyncDesktopDefaults());
    EXPECT_EQ(MimeApps(), "[Default Applications]\naudio/x-wav=newer.desktop\n");
    // The backup is gone: ticking again takes the current default as the one to give back.
    Tick(L"wav", true);
    ASSERT_TRUE(SyncDesktopDefaults());
    Tick(L"wav", false);
    ASSERT_TRUE(SyncDesktopDefaults());
    EXPECT_EQ(MimeApps(), "[Default Applications]\naudio/x-wav=newer.desktop\n");
}

TEST_F(DesktopAssociationsTest, ReadOnlyFileIsLeftAloneAndNothingIsRecorded) {
    WriteMimeApps(kOriginal);
    std::string path = config + "/mimeapps.list";
    chmod(path.c_str(), 0444);
    Tick(L"mp3", true);
    EXPECT_FALSE(SyncDesktopDefaults());
    EXPECT_EQ(MimeApps(), kOriginal);
    // Once writable, the type becomes ours and is given back as it was.
    chmod(path.c_str(), 0644);
    ASSERT_TRUE(SyncDesktopDefaults());
    Tick(L"mp3", false);
    ASSERT_TRUE(SyncDesktopDefaults());
    EXPECT_EQ(MimeApps(), kOriginal);
}

TEST_F(DesktopAssociationsTest, InstalledLauncherIsUsedAndRmpHasNoType) {
    std::string system = home + "/system/applications";
    MakeDirectory(WidePath(home + "/system"));
    MakeDirectory(WidePath(system));
    ASSERT_TRUE(WriteFileAtomic(WidePath(system + "/versolune.desktop"), "[Desktop Entry]\n"));
    Tick(L"rmp", true);
    Tick(L"pls", false);
    RegisterFileType(L"pls", kPlaylistClass, kPlaylistDescription, kFileTypeIconIndex);
    ASSERT_TRUE(SyncDesktopDefaults());
    EXPECT_EQ(MimeApps(), "[Default Applications]\naudio/x-scpls=versolune.desktop\n");
    EXPECT_FALSE(FileExists(WidePath(data + "/applications/versolune.desktop")));
    EXPECT_EQ(MimeTypeOfExtension(L"RMP"), nullptr);
    EXPECT_STREQ(MimeTypeOfExtension(L"MPA"), "audio/mpeg");
}

}  // namespace
}  // namespace vl
