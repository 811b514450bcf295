#include "lyrics/line_timer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace vl {
namespace {

TEST(LineTimer, DueTable) {
    LyricsModel m;
    m.LoadBytes("[00:01.00]A\n[00:02.50]B\n[00:02.50]C\n[00:04.00]D\n");
    const struct {
        const char* what;
        int position;
        uint32_t anchorClock, now;
        bool playing;
        int tag, delay;
    } rows[] = {
        {"before the first tag", 0, 1000, 1000, true, 0, 1000},
        {"later reading of the clock", 0, 1000, 1300, true, 0, 700},
        {"on a tag: the next one", 1000, 0, 0, true, 1, 1500},
        {"equal tags: the first of them", 2000, 0, 0, true, 1, 500},
        {"between equal tags and the last", 2500, 0, 0, true, 3, 1500},
        {"late check: due at once", 3000, 0, 2000, true, 3, 0},
        {"after the last tag", 4000, 0, 0, true, -1, -1},
        {"paused", 0, 0, 0, false, -1, -1},
        {"clock wrapped since the anchor", 3500, 0xFFFFFF00u, 0x40u, true, 3, 180},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        LineTimer timer;
        timer.Anchor(r.position, r.anchorClock, r.playing);
        LineTimer::Due due = timer.NextDue(m, r.now);
        EXPECT_EQ(r.tag, due.tag);
        EXPECT_EQ(r.delay, due.delayMs);
    }
    LineTimer timer;
    EXPECT_EQ(-1, timer.NextDue(m, 0).tag);  // never anchored
    timer.Anchor(0, 0, true);
    timer.Reset();
    EXPECT_EQ(-1, timer.NextDue(m, 0).tag);
    LyricsModel far;  // a tag far beyond any play time is due, without overflow
    far.LoadBytes("[00:01.00]A\n[99999999999999:00.00]B\n");
    timer.Anchor(2000, 0, true);
    EXPECT_EQ(1, timer.NextDue(far, 0).tag);
    EXPECT_EQ(2000000000, timer.NextDue(far, 0).delayMs);
    LyricsModel empty;
    timer.Anchor(0, 0, true);
    EXPECT_EQ(-1, timer.NextDue(empty, 0).tag);
}

TEST(LineTimer, WordsOfTheCurrentLineAreDueToo) {
    LyricsModel m;
    m.LoadBytes("[00:01.00]<00:01.00>A <00:01.40>B <00:03.00>late\n[00:02.00]C\n");
    ASSERT_TRUE(m.Locate(1.0, false, true));
    LineTimer timer;
    timer.Anchor(1000, 0, true);
    LineTimer::Due due = timer.NextDue(m, 100);
    EXPECT_EQ(1, due.word);  // the word at 1.0 s has started already
    EXPECT_EQ(-1, due.tag);
    EXPECT_EQ(300, due.delayMs);
    timer.Anchor(1400, 0, true);
    due = timer.NextDue(m, 0);  // a word after the next tag waits for its line
    EXPECT_EQ(1, due.tag);
    EXPECT_EQ(-1, due.word);
    EXPECT_EQ(600, due.delayMs);
}

// Whatever the tag times and the position, the check at the due moment moves the line to the
// due tag, and a check a millisecond earlier does not.
TEST(LineTimer, DueMomentAgreesWithLocate) {
    std::mt19937 random(7);
    std::string file;
    int t = 0;
    for (int i = 0; i < 300; ++i) {
        t += static_cast<int>(random() % 400);  // centiseconds; repeats make equal tags
        char stamp[32];
        std::snprintf(stamp, sizeof(stamp), "[%02d:%02d.%02d]", t / 6000, t / 100 % 60, t % 100);
        file += std::string(stamp) + "line " + std::to_string(i) + "\n";
    }
    LyricsModel m;
    m.LoadBytes(file);
    for (int position = 0; position < t * 10; position += 37) {
        LineTimer timer;
        timer.Anchor(position, 5000, true);
        LineTimer::Due due = timer.NextDue(m, 5000);
        ASSERT_GE(due.tag, 0) << position;
        ASSERT_GE(due.delayMs, 1) << position;
        const int at = position + due.delayMs;
        ASSERT_TRUE(m.Locate(at * 0.001, false, false));
        const LyricTag& tag = m.GetTag(due.tag);
        EXPECT_EQ(tag.time, m.GetVisibleLine(kLyricCurrentSlot).time) << position;
        if (due.tag == 0) continue;  // before the first tag a full search shows it already
        ASSERT_TRUE(m.Locate((at - 1) * 0.001, false, false));
        EXPECT_LT(m.GetVisibleLine(kLyricCurrentSlot).time, tag.time) << position;
    }
}

}  // namespace
}  // namespace vl
