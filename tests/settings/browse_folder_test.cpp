#include "settings/browse_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "support/test_support.h"

namespace vl {
namespace {

TEST(BrowseFolderTest, SizeTexts) {
    struct Row {
        uint64_t size;
        const wchar_t* text;
    };
    for (const Row& row : {Row{0, L"0B"}, Row{1024, L"1024B"}, Row{1025, L"1.0KB"}, Row{1048576, L"1024.0KB"},
                           Row{1048577, L"1.0MB"}, Row{5368709120ull, L"5120.0MB"}}) {
        SCOPED_TRACE(row.size);
        EXPECT_EQ(FormatBrowseSize(row.size), row.text);
    }
}

TEST(BrowseFolderTest, ExtensionsMatchTheEndIgnoringCase) {
    struct Row {
        const wchar_t* name;
        const wchar_t* entry;
        bool match;
    };
    for (const Row& row : {Row{L"a.MP3", L"mp3", true}, Row{L"amp3", L"mp3", true}, Row{L"a.mp3.txt", L"mp3", false},
                           Row{L"blue.GPS", L".gps", true}, Row{L"gps", L".gps", false}, Row{L"a.mp3", L"", false}}) {
        SCOPED_TRACE(WideToUtf8(row.name));
        EXPECT_EQ(MatchesExtension(row.name, row.entry), row.match);
    }
}

class BrowseTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = test::TempDir();
        for (const char* dir : {"/sub", "/sub/deeper", "/sub2", "/folder.mp3"}) mkdir((root + dir).c_str(), 0755);
        for (const char* file : {"/b.mp3", "/a.MP3", "/c.ogg", "/d.txt", "/sub/x.mp3", "/sub/deeper/y.ogg",
                                 "/sub2/z.wav", "/sub2/w.mp3"})
            ASSERT_TRUE(test::WriteFile(root + file, "12345"));
        // A link back up must not be walked, or the listing would never end.
        ASSERT_EQ(symlink(root.c_str(), (root + "/sub/loop").c_str()), 0);
    }

    std::vector<std::wstring> Names(bool subfolders, size_t maxPath = 4096) {
        std::vector<std::wstring> out;
        std::wstring base = WidePath(root);
        for (const BrowseFile& f : ListBrowseFiles(base, {L"mp3", L"ogg", L"wav"}, subfolders, maxPath)) {
            EXPECT_EQ(f.size, 5u);
            EXPECT_EQ(BaseName(f.path), f.name);
            out.push_back(f.path.substr(base.size() + 1));
        }
        return out;
    }

    std::string root;
};

// Each folder's files come grouped by extension entry, then its sub-folders' files, depth first.
TEST_F(BrowseTreeTest, SubFoldersFollowTheFolderOwnFilesDepthFirst) {
    EXPECT_EQ(Names(false), (std::vector<std::wstring>{L"a.MP3", L"b.mp3", L"c.ogg"}));
    EXPECT_EQ(Names(true), (std::vector<std::wstring>{L"a.MP3", L"b.mp3", L"c.ogg", L"sub/x.mp3", L"sub/deeper/y.ogg",
                                                      L"sub2/w.mp3", L"sub2/z.wav"}));
}

TEST_F(BrowseTreeTest, PathsTheCallerCannotHoldAreLeftOut) {
    size_t limit = WidePath(root).size() + 7;  // "/b.mp3" fits with its terminator, "/sub/x.mp3" does not
    EXPECT_EQ(Names(true, limit), (std::vector<std::wstring>{L"a.MP3", L"b.mp3", L"c.ogg"}));
}

TEST_F(BrowseTreeTest, FoldersOfTheTree) {
    std::vector<BrowseFolder> folders = ListBrowseFolders(WidePath(root));
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(folders[0].name, L"folder.mp3");
    EXPECT_FALSE(folders[0].hasChildren);
    EXPECT_EQ(folders[1].name, L"sub");
    EXPECT_TRUE(folders[1].hasChildren);
    EXPECT_EQ(folders[2].name, L"sub2");
    EXPECT_FALSE(folders[2].hasChildren);
    EXPECT_TRUE(ListBrowseFolders(WidePath(root + "/gone")).empty());
    EXPECT_TRUE(ListBrowseFiles(WidePath(root + "/gone"), {L"mp3"}, true, 4096).empty());
    // The root item stands for "/".
    EXPECT_EQ(BrowseChildPath(L"", L"home"), L"/home");
}

TEST(BrowseFolderTest, KernelTreesAreNotWalked) {
    for (const BrowseFile& f : ListBrowseFiles(L"/proc", {L"status", L"maps"}, true, 4096))
        EXPECT_EQ(DirName(f.path), L"/proc") << WideToUtf8(f.path);
}

}  // namespace
}  // namespace vl
