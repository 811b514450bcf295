#include "lyrics/lyric_line_printer.h"

#include "platform/text.h"

namespace vl {

bool LyricLineTracker::Changed(const VisibleLine& current) {
    if (!current.line || (current.line == line_ && current.time == time_)) return false;
    line_ = current.line;
    time_ = current.time;
    return true;
}

void PrintLyricLine(std::FILE* out, int positionMs, const LyricLine& line) {
    std::fprintf(out, "lyric %d %s\n", positionMs, WideToUtf8(line.text).c_str());
    if (line.secondText) std::fprintf(out, "second %s\n", WideToUtf8(*line.secondText).c_str());
    std::fflush(out);
}

}  // namespace vl
