#pragma once
// The one printed form of a lyric line that becomes current, shared by the terminal player
// (--lyrics) and the window (--print-lyrics): "lyric POS_MS TEXT", then "second TEXT" when the
// line has a second part, UTF-8, flushed at once so that a script reading a pipe sees it.
#include <cstdio>

#include "lyrics/lyrics_model.h"

namespace vl {

// Remembers the current line (window slot 5) and tells whether it changed: another line, or
// the same line reached through another tag.
class LyricLineTracker {
public:
    bool Changed(const VisibleLine& current);
    void Reset() {
        line_ = nullptr;
        time_ = -1.0;
    }

private:
    const LyricLine* line_ = nullptr;
    double time_ = -1.0;
};

void PrintLyricLine(std::FILE* out, int positionMs, const LyricLine& line);

}  // namespace vl
