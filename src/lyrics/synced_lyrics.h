#pragma once
// Synchronized lyrics as an ID3v2 "SYLT" frame carries them: entries of text, each with a time in
// milliseconds or in MPEG frames. Each entry starts a line, except in the common word form:
// when some entries after the first begin with a line feed and others do not, the ones with a
// line feed start lines and the others are timed words of the line before them.
// Times may come unsorted or repeated; the model sorts its tags.
#include <cstdint>
#include <string>
#include <vector>

#include "lyrics/lyric_words.h"

namespace vl {

struct SyncedText {
    uint32_t time = 0;  // in the frame's unit
    std::wstring text;
};

enum SyncedTimeUnit { kSyncedMpegFrames = 1, kSyncedMilliseconds = 2 };

struct TimedLine {
    double time = 0.0;              // seconds
    std::wstring text;              // display text
    std::vector<LyricWord> words;   // timed words of the word form (spans of text)
};

// Lines of the entries; msPerFrame converts MPEG frames (ignored for milliseconds). Nothing
// when the unit is unknown or a frame has no length.
std::vector<TimedLine> ConvertSynced(const std::vector<SyncedText>& entries, int unit, double msPerFrame);

}  // namespace vl
