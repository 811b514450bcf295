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
    int tag = model.NextTagAfter(positionMs_ * 0.001);
    if (tag < 0) return due;
    double ms = FirstMsReaching(model.GetTag(tag).time) - PositionAt(clockMs);
    due.tag = tag;
    due.delayMs = ms <= 0.0 ? 0 : ms >= 2.0e9 ? 2000000000 : static_cast<int>(ms);
    return due;
}

}  // namespace vl
