#include "lyrics/synced_lyrics.h"

#include <cmath>

namespace vl {

namespace {

bool StartsLine(const std::wstring& text) { return !text.empty() && (text[0] == L'\n' || text[0] == L'\r'); }

std::wstring WithoutLineFeeds(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text)
        if (c != L'\n' && c != L'\r') out += c;
    return out;
}

}  // namespace

std::vector<TimedLine> ConvertSynced(const std::vector<SyncedText>& entries, int unit, double msPerFrame) {
    std::vector<TimedLine> lines;
    double scale = unit == kSyncedMilliseconds ? 0.001 : unit == kSyncedMpegFrames ? msPerFrame * 0.001 : 0.0;
    if (!(scale > 0.0) || !std::isfinite(scale)) return lines;
    bool withFeed = false, withoutFeed = false;
    for (size_t i = 1; i < entries.size(); ++i) (StartsLine(entries[i].text) ? withFeed : withoutFeed) = true;
    const bool wordForm = withFeed && withoutFeed;
    for (size_t i = 0; i < entries.size(); ++i) {
        const SyncedText& e = entries[i];
        double time = e.time * scale;
        std::wstring text = WithoutLineFeeds(e.text);
        if (!wordForm || i == 0 || StartsLine(e.text) || lines.empty()) {
            lines.push_back(TimedLine{time, std::wstring(), {}});
        }
        TimedLine& line = lines.back();
        if (wordForm && line.words.size() < kMaxLyricWords && !text.empty())
            line.words.push_back(LyricWord{time, line.text.size(), text.size()});
        line.text += text;
    }
    return lines;
}

}  // namespace vl
