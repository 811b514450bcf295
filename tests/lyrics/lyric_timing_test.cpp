// The terminal player prints each line of the demo on its tag (real-time null output).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace vl {
namespace {

TEST(LyricTiming, DemoLinesPrintOnTheirTags) {
    // The demo's tags: 0.5 s, then every 2 s.
    std::string out = test::CaptureCommand("VERSOLUNE_HOME=" + test::TempDir() + " " + test::BinaryDir() +
                                           "/versolune-play --audio null --lyrics -q --stop-after 11000 " +
                                           test::SourceDir() + "/demo/demo.mp3");
    std::istringstream lines(out);
    std::vector<int> positions;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("lyric ", 0) == 0) positions.push_back(std::stoi(line.substr(6)));
    // The first line comes from the search at the start; the others from playback.
    ASSERT_EQ(6u, positions.size()) << out;
    for (size_t i = 1; i < positions.size(); ++i) {
        int tag = 500 + 2000 * static_cast<int>(i);
        SCOPED_TRACE(tag);
        EXPECT_GE(positions[i], tag);
        // Loose: a loaded machine may wake the player late; a 333 ms poll alone would not pass.
        EXPECT_LT(positions[i], tag + 150);
    }
}

TEST(LyricTiming, WordsPrintAsTheyStart) {
    const std::string dir = test::TempDir();
    test::WriteFile(dir + "/song.mp3", test::ReadFile(test::SourceDir() + "/demo/demo.mp3"));
    test::WriteFile(dir + "/song.lrc",
                    "[00:00.50]<00:00.50>Brother <00:01.00>John\n[00:02.50]<00:02.50>Fr\xc3\xa8re <00:03.10>Jacques\n");
    std::string out = test::CaptureCommand("VERSOLUNE_HOME=" + dir + " VERSOLUNE_CODEPAGE=UTF-8 " + test::BinaryDir() +
                                           "/versolune-play --audio null --lyrics --words -q --stop-after 3500 " +
                                           dir + "/song.mp3");
    std::istringstream lines(out);
    std::vector<std::string> kinds;
    std::vector<int> positions;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string kind;
        int position = 0;
        fields >> kind >> position;
        std::string text;
        std::getline(fields, text);
        kinds.push_back(kind + text);
        positions.push_back(position);
    }
    const std::vector<std::string> expected = {"lyric Brother John", "word Brother", "word John",
                                               "lyric Frère Jacques", "word Frère", "word Jacques"};
    ASSERT_EQ(expected, kinds) << out;
    const int due[] = {-1, 500, 1000, 2500, 2500, 3100};  // the first line comes from the search at the start
    for (size_t i = 1; i < positions.size(); ++i) {
        SCOPED_TRACE(kinds[i]);
        EXPECT_GE(positions[i], due[i]);
        EXPECT_LT(positions[i], due[i] + 150);
    }
}

}  // namespace
}  // namespace vl
