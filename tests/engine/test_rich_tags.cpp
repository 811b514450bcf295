// Tags of MPEG files as files carry them: ID3v2 and APE through TagLib, ID3v1 alone or filling.
#include <gtest/gtest.h>

#include <string>

#include "engine/input/tags.h"
#include "engine/player_engine.h"
#include "platform/text.h"
#include "support/tag_fixtures.h"
#include "support/test_support.h"

namespace vl {
namespace {

TEST(RichTags, MpegFilesAsTaggedByOtherTools) {
    ASSERT_FALSE(test::TagFixtures().empty());
    struct Row {
        const char* file;
        const wchar_t* title;
        const wchar_t* artist;
        const wchar_t* album;
        const wchar_t* genre;
        int year, track;
    };
    const Row rows[] = {
        {"v23_utf16.mp3", L"T\u00edtulo \u2603 \u6b4c", L"Art\u00efst", L"Alb\u00fcm", L"Rock", 1999, 3},
        {"v24_utf8.mp3", L"Zo\u00eb \u2713", L"\u0411\u0430\u043d\u0434", L"", L"Jpop", 2003, 7},
        // ID3v2 wins; the fields it leaves empty come from ID3v1.
        {"v2_and_v1.mp3", L"V2 Title", L"V1 Artist", L"V1 Album", L"Jazz", 1987, 9},
        {"ape.mp3", L"APE Title", L"APE Artist", L"APE Album", L"Rock", 2001, 4},
        {"cover.mp3", L"With cover", L"Painter", L"", L"", 0, 0},
    };
    PlayerEngine engine;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.file);
        const std::wstring path = WidePath(test::TagFixtures() + "/" + r.file);
        TagInfo tags{};
        ASSERT_TRUE(ReadMpegTags(path, tags));
        EXPECT_EQ(std::wstring(r.title), tags.title);
        EXPECT_EQ(std::wstring(r.artist), tags.artist);
        EXPECT_EQ(std::wstring(r.album), tags.album);
        EXPECT_EQ(std::wstring(r.genre), tags.genre);
        EXPECT_EQ(r.year, tags.year);
        EXPECT_EQ(r.track, tags.track);
        TagInfo viaEngine{};  // what the playlist reads when a file is added
        ASSERT_TRUE(engine.ReadFileTags(path, viaEngine));
        EXPECT_EQ(std::wstring(r.title), viaEngine.title);
    }
}

TEST(RichTags, Id3v1AloneIsReadAsBefore) {
    const std::wstring path = WidePath(test::SourceDir() + "/tests/fixtures/id3v1.mp3");
    TagInfo rich{}, plain{};
    ASSERT_TRUE(ReadId3v1(path, plain));
    ASSERT_TRUE(ReadMpegTags(path, rich));
    EXPECT_EQ(std::wstring(plain.title), rich.title);
    EXPECT_EQ(std::wstring(plain.comment), rich.comment);
    EXPECT_EQ(plain.track, rich.track);
    // No tag at all: false, as the ID3v1 reader answers.
    TagInfo none{};
    EXPECT_FALSE(ReadMpegTags(WidePath(test::SourceDir() + "/tests/fixtures/mono_44k.mp3"), none));
}

TEST(RichTags, HostileTagsGiveNothingAndNoCrash) {
    const std::string dir = test::TempDir();
    std::string base = test::ReadFile(test::SourceDir() + "/tests/fixtures/mono_44k.mp3");
    // ID3v2.4 header claiming 200 MB, a frame claiming more than the tag, invalid UTF-16.
    const std::string header("ID3\x04\x00\x00\x7f\x7f\x7f\x7f", 10);
    const std::string badFrame = std::string("ID3\x03\x00\x00\x00\x00\x00\x30", 10) +
                                 std::string("TIT2\x7f\xff\xff\xff\x00\x00\x01\xff\xfe\x00\xd8", 15);
    const std::string badUtf16 = std::string("ID3\x03\x00\x00\x00\x00\x00\x11", 10) +
                                 std::string("TIT2\x00\x00\x00\x07\x00\x00\x01\xff\xfe\x00\xd8\x41\x00", 18);
    const std::string cases[] = {header, badFrame, badUtf16, header + std::string(5, '\xff'), std::string("ID3")};
    int n = 0;
    for (const std::string& head : cases) {
        SCOPED_TRACE(n);
        std::string path = dir + "/bad" + std::to_string(n++) + ".mp3";
        ASSERT_TRUE(test::WriteFile(path, head + base));
        TagInfo tags{};
        ReadMpegTags(WidePath(path), tags);  // whatever it finds, it returns
        EXPECT_EQ(head + base, test::ReadFile(path));  // nothing written
    }
}

}  // namespace
}  // namespace vl
