#include "lyrics/line_timer.h"

#include <cmath>

namespace vl {

namespace {

// The first whole millisecond m at which Locate, given m x 0.001, counts the tag as reached.
double FirstMsReaching(double tagSeconds) {
    double m = std::ceil(tagSeconds * 1000.0);
    if (!(m < 1.0e15)) return m;  // beyond any play time; steps of 1 would not change m
    while ((m - 1.0) * 0.001 >= tagSeconds) m -= 1.0;
    while (m * 0.001 < tagSeconds) m += 1.0;
    return m;
}

}  // namespace

void LineTimer::Anchor(int positionMs, uint32_t clockMs, bool playing) {
    positionMs_ = positionMs;
    clockMs_ = clockMs;
    playing_ = playing;
}

void LineTimer::Reset() { playing_ = false; }

double LineTimer::PositionAt(uint32_t clockMs) const {
    if (!playing_) return positionMs_;
    // Unsigned difference: the tick count may wrap between the anchor and now.
    return positionMs_ + static_cast<double>(static_cast<uint32_t>(clockMs - clockMs_));
}

LineTimer::Due LineTimer::NextDue(const LyricsModel& model, uint32_t clockMs) const {
    Due due;
    if (!playing_) return due;
    const double p = positionMs_ * 0.001;
    double at = 0.0;
    int tag = model.NextTagAfter(p);
    if (tag >= 0) {
        due.tag = tag;
        at = FirstMsReaching(model.GetTag(tag).time);
    }
    if (const LyricLine* line = model.GetVisibleLine(kLyricCurrentSlot).line) {
        for (size_t i = 0; i < line->words.size(); ++i) {
            const double t = line->words[i].time;
            if (!(p < t)) continue;
            const double ms = FirstMsReaching(t);
            if (due.tag >= 0 && ms >= at) continue;
            if (due.word >= 0 && ms >= at) continue;
            due.tag = -1;
            due.word = static_cast<int>(i);
            at = ms;
        }
    }
    if (due.tag < 0 && due.word < 0) return due;
    double ms = at - PositionAt(clockMs);
    due.delayMs = ms <= 0.0 ? 0 : ms >= 2.0e9 ? 2000000000 : static_cast<int>(ms);
    return due;
}

}  // namespace vl
