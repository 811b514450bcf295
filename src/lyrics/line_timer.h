#pragma once
// When the next lyric line is due. The display checks the play position three times a second;
// that alone leaves a line up to a third of a second late. Between checks the position runs
// with a monotonic clock, so from the last engine reading the moment the position reaches the
// next tag is known: the caller arms a single-shot timer for it and checks the position then.
//
// Anchor: the engine position (ms) read at a clock reading (GetTickCount ms). Re-anchor on every
// position check, seek and pause. While not playing the position stands still and nothing is
// due. The next tag is the first one later than the anchored position, the same comparison
// (position ms x 0.001 against the tag's seconds) that Locate makes, so the check at the due
// moment moves the line. Equal tags count as one moment. The words of the current line (enhanced
// LRC) are moments too: a word start due before the next tag is the next moment.
//
// Thread: whatever thread owns the model; no locks, no clock of its own.
#include <cstdint>

#include "lyrics/lyrics_model.h"

namespace vl {

class LineTimer {
public:
    struct Due {
        int tag = -1;      // index of the tag that becomes current, or -1
        int word = -1;     // else index of a word of the current line that starts, or -1
        int delayMs = -1;  // from the clock reading given to NextDue; -1 = nothing is due
        bool Any() const { return delayMs >= 0; }
    };

    // A fresh engine reading: positionMs at clock clockMs; playing = the position advances.
    void Anchor(int positionMs, uint32_t clockMs, bool playing);
    // Nothing is due until the next Anchor (stopped, lyrics unloaded).
    void Reset();
    bool IsPlaying() const { return playing_; }
    // The position (ms) at clockMs: the anchor, plus the time since while playing.
    double PositionAt(uint32_t clockMs) const;
    // The next line change or word start after the anchored position, timed from clockMs.
    // When the estimate has already passed it (the check is late), the delay is 0.
    Due NextDue(const LyricsModel& model, uint32_t clockMs) const;

private:
    int positionMs_ = 0;
    uint32_t clockMs_ = 0;
    bool playing_ = false;
};

}  // namespace vl
