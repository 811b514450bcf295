// The word-time parser of enhanced LRC lines and the SYLT converter over arbitrary input.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "lyrics/lyric_words.h"
#include "lyrics/synced_lyrics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The bytes as wide text, one character per byte pair.
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2) text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    std::vector<vl::LyricWord> words;
    std::wstring shown = vl::ParseWordTimes(text, &words);
    if (shown.size() > text.size() || words.size() > vl::kMaxLyricWords) __builtin_trap();
    for (const vl::LyricWord& w : words) {
        if (w.start + w.length > shown.size() || w.length == 0 || !(w.time >= 0.0)) __builtin_trap();
        vl::WordText(shown, w);
    }
    if (vl::ParseWordTimes(text, nullptr) != shown) __builtin_trap();

    // The same bytes as SYLT entries: a 4-byte time, then text up to a zero character.
    std::vector<vl::SyncedText> entries;
    for (size_t i = 0; i + 4 <= size;) {
        vl::SyncedText e;
        std::memcpy(&e.time, data + i, 4);
        i += 4;
        while (i < size && data[i] != 0) e.text += static_cast<wchar_t>(data[i++]);
        ++i;
        entries.push_back(std::move(e));
    }
    for (int unit : {0, static_cast<int>(vl::kSyncedMpegFrames), static_cast<int>(vl::kSyncedMilliseconds)}) {
        for (const vl::TimedLine& line : vl::ConvertSynced(entries, unit, 26.12)) {
            for (const vl::LyricWord& w : line.words)
                if (w.start + w.length > line.text.size()) __builtin_trap();
        }
    }
    return 0;
}
