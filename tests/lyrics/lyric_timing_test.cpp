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

}  // namespace
}  // namespace vl
