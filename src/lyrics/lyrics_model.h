#pragma once
// The time-stamped lyrics of the open track, read from the LRC file beside the music file,
// and the 11-line window around the line that is current at a play position.
//
// Storage: tags are plain values in a std::vector kept in time order (equal times in file
// order); lines are owned through std::unique_ptr so that window slots can point at them.
// Reading collects the tags in file order and sorts them stably at the end of the load,
// which gives exactly the order of inserting each tag before the first later one, without
// the quadratic cost on files whose tags are out of order. Locate finds the first later tag
// by binary search over the sorted tags: the same tag a walk from the start would find.
//
// Bounds (the format is built for a few hundred tags and lines of under 2048 characters):
//  - only the first kMaxLyricFileBytes bytes of a lyric file are read;
//  - at most kMaxLyricTags time tags are kept, later ones are dropped like non-time tags;
//  - physical lines are handled in pieces of kLyricPieceChars characters (UTF-16 files) or
//    bytes (ANSI files), each piece as a line of its own; a NUL ends a piece's text;
//  - a tag is parsed as a time from its first kTimeTagChars characters only;
//  - a time that is not finite, or that lies at or beyond the end marker, is not a time.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lyrics/lyric_words.h"

namespace vl {

struct TimedLine;

constexpr size_t kMaxLyricFileBytes = 8u << 20;
constexpr size_t kMaxLyricTags = 200000;
constexpr size_t kLyricPieceChars = 2047;
constexpr size_t kTimeTagChars = 99;
constexpr int kLyricWindowSlots = 11;
constexpr int kLyricCurrentSlot = 5;
// Time of the end marker that closes the tag list; never shown.
constexpr double kLyricEndTime = 1.0e30;

struct LyricTag {
    int32_t lineIndex = 0;  // index into the lines
    double time = 0.0;      // seconds, offset already applied
};

struct LyricLine {
    std::wstring text;                        // never empty: " " for a line of tags only
    std::optional<std::wstring> secondText;   // the part after a grave accent, if any
    std::vector<LyricWord> words;             // word times of the text (offset applied)
};

struct VisibleLine {
    const LyricLine* line = nullptr;  // null = empty slot
    double time = 0.0;                // time of the tag through which the line was reached
};

class LyricsModel {
public:
    LyricsModel();
    ~LyricsModel();
    LyricsModel(const LyricsModel&) = delete;
    LyricsModel& operator=(const LyricsModel&) = delete;

    void Clear();
    // Reads the lyric file that belongs to the music file. False (unloaded) when there is none.
    bool Load(const std::wstring& musicPath);
    // Reads lyric file contents already in memory (the same rules as Load; always loads).
    void LoadBytes(const std::string& bytes);
    // LRC text already decoded (lyrics a music file carries); the same rules, always loads.
    void LoadText(const std::wstring& text);
    // Lines with their times (synchronized lyrics a music file carries); always loads.
    void LoadTimedLines(const std::vector<TimedLine>& timed);
    // Lyrics without times: every non-empty line of text, in order, no tags. Nothing is ever
    // located; the display shows them from the top.
    void LoadUnsynced(const std::wstring& text);
    bool IsUnsynced() const { return unsynced != 0; }
    bool IsLoaded() const { return loaded != 0; }
    // Updates the window for play position p (seconds); true = the display must repaint.
    bool Locate(double p, bool incremental, bool wholeWindow);
    // Moves every tag (the end marker too) by delta seconds, in memory only.
    void ShiftTimes(double delta);
    // Window slot 0..10 (5 = current); an empty slot for any other index.
    const VisibleLine& GetVisibleLine(int slot) const;

    // The lyric file of a music file: the extension of the file name replaced by ".lrc"
    // (".lrc" appended when the file name has none). Whoever writes lyric files uses it too.
    static std::wstring LyricFileName(const std::wstring& musicPath);

    // Read access for the display and the tests. The tags end with the end marker.
    int GetTagCount() const { return static_cast<int>(tags.size()); }
    const LyricTag& GetTag(int index) const { return tags[static_cast<size_t>(index)]; }
    int GetLineCount() const { return static_cast<int>(lines.size()); }
    const LyricLine& GetLine(int index) const { return *lines[static_cast<size_t>(index)]; }
    double GetOffset() const { return offset; }
    // The first tag later than position p (seconds), where the line next changes as playback
    // advances; -1 when none is left (only the end marker) or nothing is loaded.
    int NextTagAfter(double p) const;
    // The text of an identification tag ("ar" for [ar:Singer], "ti", "al", "length", ...) as
    // written, the first of each name; empty when the file has none.
    std::wstring GetIdTag(const std::wstring& key) const;

private:
    void HandleLine(const std::wstring& piece);
    void KeepIdTag(const std::wstring& token);
    void FillWindow(size_t current, bool wholeWindow);
    void FinishLoad();

    std::vector<LyricTag> tags;
    std::vector<std::unique_ptr<LyricLine>> lines;
    std::map<std::wstring, std::wstring> idTags;
    double offset = 0.0;
    int loaded = 0;
    int unsynced = 0;
    std::array<VisibleLine, kLyricWindowSlots> window{};
};

// Time of a tag's text in seconds; -1.0 when the tag is not a time ("01:23.45" gives 83.45).
double ParseLyricTime(const std::wstring& tag);

}  // namespace vl
