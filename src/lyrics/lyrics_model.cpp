#include "lyrics/lyrics_model.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cwctype>

#include "lyrics/synced_lyrics.h"
#include "platform/files.h"
#include "platform/text.h"

namespace vl {

namespace {

bool IsDelimiter(wchar_t c) { return c == L'[' || c == L']' || c == L'\r' || c == L'\n'; }
bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The leading decimal number of s (blanks skipped, reading stops at the first character that
// does not belong to the number; 0 when there is none). Independent of the user's locale,
// so "23.45" means the same everywhere.
double ReadDecimal(const wchar_t* s) {
    while (*s && IsBlank(*s)) ++s;
    std::string number;
    if (*s == L'+' || *s == L'-') number += static_cast<char>(*s++);
    size_t digits = 0;
    for (; IsDigit(*s); ++s, ++digits) number += static_cast<char>(*s);
    if (*s == L'.') {
        number += '.';
        for (++s; IsDigit(*s); ++s, ++digits) number += static_cast<char>(*s);
    }
    if (digits == 0) return 0.0;
    if (*s == L'e' || *s == L'E') {
        const wchar_t* e = s + 1;
        if (*e == L'+' || *e == L'-') ++e;
        if (IsDigit(*e)) {
            number += 'e';
            for (++s; *s == L'+' || *s == L'-' || IsDigit(*s); ++s) number += static_cast<char>(*s);
        }
    }
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return strtod_l(number.c_str(), nullptr, cLocale);
}

// A NUL ends the text of a line, as in the C strings the format was made for.
std::wstring& CutAtNul(std::wstring& s) {
    size_t nul = s.find(L'\0');
    if (nul != std::wstring::npos) s.resize(nul);
    return s;
}

}  // namespace

double ParseLyricTime(const std::wstring& tag) {
    std::wstring buf = tag.substr(0, kTimeTagChars);
    CutAtNul(buf);
    size_t i = 0;
    while (i < buf.size() && (IsDigit(buf[i]) || buf[i] == L'.')) ++i;
    if (i == buf.size()) return 0.0;  // digits and dots only: a tag at 0 s
    if (buf[i] != L':') return -1.0;
    double base = ReadDecimal(buf.substr(0, i).c_str()) * 60.0;
    if (i + 1 >= buf.size()) return base;
    return base + ReadDecimal(buf.c_str() + i + 1);
}

LyricsModel::LyricsModel() = default;

LyricsModel::~LyricsModel() { Clear(); }

void LyricsModel::Clear() {
    tags.clear();
    lines.clear();
    idTags.clear();
    offset = 0.0;
    loaded = 0;
    unsynced = 0;
    window.fill(VisibleLine{});
}

std::wstring LyricsModel::LyricFileName(const std::wstring& musicPath) {
    size_t slash = musicPath.find_last_of(L'/');
    size_t dot = musicPath.find_last_of(L'.');
    // Only a dot in the file name starts an extension, not one in a folder name.
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash))
        return musicPath.substr(0, dot) + L".lrc";
    return musicPath + L".lrc";
}

bool LyricsModel::Load(const std::wstring& musicPath) {
    std::string bytes;
    if (!ReadFileBytes(LyricFileName(musicPath), bytes, kMaxLyricFileBytes)) {
        Clear();
        tags.push_back(LyricTag{0, kLyricEndTime});
        return false;
    }
    LoadBytes(bytes);
    return true;
}

void LyricsModel::LoadBytes(const std::string& bytes) {
    Clear();
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t size = std::min(bytes.size(), kMaxLyricFileBytes);

    if (size >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        // UTF-16LE after the byte-order mark; a byte left over at the end is ignored.
        const std::wstring text = Utf16LeToWide(bytes.substr(2, (size - 2) & ~size_t{1}));
        std::wstring piece;
        for (wchar_t c : text) {
            piece.push_back(c);
            if (c == L'\n' || piece.size() == kLyricPieceChars) {
                HandleLine(CutAtNul(piece));
                piece.clear();
            }
        }
        if (!piece.empty()) HandleLine(CutAtNul(piece));
    } else {
        // ANSI: pieces of bytes, converted a batch at a time (NUL-separated) rather than
        // one conversion per line.
        std::vector<std::string> batch;
        std::string joined;
        auto flush = [&]() {
            if (batch.empty()) return;
            std::wstring wide = AnsiToWide(joined);
            std::vector<std::wstring> converted;
            for (size_t start = 0;;) {
                size_t nul = wide.find(L'\0', start);
                converted.push_back(wide.substr(start, nul == std::wstring::npos ? std::wstring::npos : nul - start));
                if (nul == std::wstring::npos) break;
                start = nul + 1;
            }
            if (converted.size() == batch.size()) {
                for (const auto& piece : converted) HandleLine(piece);
            } else {
                // A code page that does not keep NUL bytes apart: convert piece by piece.
                for (const auto& piece : batch) HandleLine(AnsiToWide(piece));
            }
            batch.clear();
            joined.clear();
        };
        for (size_t i = 0; i < size;) {
            size_t end = i;
            while (end < size && end - i < kLyricPieceChars) {
                if (b[end++] == '\n') break;
            }
            std::string piece(bytes.data() + i, end - i);
            size_t nul = piece.find('\0');
            if (nul != std::string::npos) piece.resize(nul);
            if (!batch.empty()) joined.push_back('\0');
            joined += piece;
            batch.push_back(std::move(piece));
            if (joined.size() >= 65536) flush();
            i = end;
        }
        flush();
    }
    FinishLoad();
}

void LyricsModel::LoadText(const std::wstring& text) {
    Clear();
    const size_t size = std::min(text.size(), kMaxLyricFileBytes);
    std::wstring piece;
    for (size_t i = 0; i < size; ++i) {
        piece.push_back(text[i]);
        if (text[i] == L'\n' || piece.size() == kLyricPieceChars) {
            HandleLine(CutAtNul(piece));
            piece.clear();
        }
    }
    if (!piece.empty()) HandleLine(CutAtNul(piece));
    FinishLoad();
}

void LyricsModel::LoadTimedLines(const std::vector<TimedLine>& timed) {
    Clear();
    for (const TimedLine& t : timed) {
        if (!std::isfinite(t.time) || t.time >= kLyricEndTime || tags.size() >= kMaxLyricTags) continue;
        auto line = std::make_unique<LyricLine>();
        line->text = t.text.empty() ? std::wstring(L" ") : t.text.substr(0, kLyricPieceChars);
        for (const LyricWord& w : t.words)
            if (w.start + w.length <= line->text.size()) line->words.push_back(w);
        tags.push_back(LyricTag{static_cast<int32_t>(lines.size()), t.time});
        lines.push_back(std::move(line));
    }
    FinishLoad();
}

void LyricsModel::LoadUnsynced(const std::wstring& text) {
    Clear();
    const size_t size = std::min(text.size(), kMaxLyricFileBytes);
    for (size_t start = 0; start < size && lines.size() < kMaxLyricTags;) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos || end > size) end = size;
        std::wstring piece = text.substr(start, std::min(end - start, kLyricPieceChars));
        start = end + 1;
        CutAtNul(piece);
        while (!piece.empty() && IsBlank(piece.back())) piece.pop_back();
        if (piece.empty()) continue;
        auto line = std::make_unique<LyricLine>();
        line->text = ParseWordTimes(piece, nullptr);
        if (line->text.empty()) line->text = L" ";
        lines.push_back(std::move(line));
    }
    FinishLoad();
    unsynced = 1;
}

void LyricsModel::HandleLine(const std::wstring& piece) {
    if (piece.empty()) return;
    // Tokens split at the delimiters; the delimiter that ends a token is overwritten in the
    // working copy, so a '[' that closed the previous token does not open a tag.
    std::wstring work = piece;
    const size_t n = work.size();
    std::wstring text;
    bool hasTime = false;
    size_t pos = 0;
    for (;;) {
        while (pos < n && IsDelimiter(work[pos])) ++pos;
        if (pos >= n) break;
        const size_t start = pos;
        while (pos < n && !IsDelimiter(work[pos])) ++pos;
        const size_t end = pos;
        const bool isTag = start > 0 && work[start - 1] == L'[' && end < n && piece[end] == L']';
        std::wstring token = work.substr(start, end - start);
        if (end < n) {
            work[end] = L'\0';
            pos = end + 1;
        }
        if (!isTag) {
            text += token;
            continue;
        }
        KeepIdTag(token);
        for (auto& c : token) c = static_cast<wchar_t>(std::towlower(c));
        if (token.find(L"offset:") != std::wstring::npos) {
            offset = ReadDecimal(token.c_str() + 7) * 0.001;
            continue;
        }
        double t = ParseLyricTime(token);
        if (t == -1.0) continue;
        double time = t - offset;
        if (!std::isfinite(time) || time >= kLyricEndTime || tags.size() >= kMaxLyricTags) continue;
        tags.push_back(LyricTag{static_cast<int32_t>(lines.size()), time});
        hasTime = true;
    }
    if (!hasTime) return;

    auto line = std::make_unique<LyricLine>();
    // The text splits at grave accents: first piece = text, second = second-language text.
    size_t first = text.find_first_not_of(L'`');
    if (first == std::wstring::npos) {
        line->text = L" ";  // only tags (or only grave accents): the display needs some text
    } else {
        size_t firstEnd = text.find(L'`', first);
        line->text = text.substr(first, firstEnd == std::wstring::npos ? std::wstring::npos : firstEnd - first);
        if (firstEnd != std::wstring::npos) {
            size_t second = text.find_first_not_of(L'`', firstEnd);
            if (second != std::wstring::npos) {
                size_t secondEnd = text.find(L'`', second);
                line->secondText =
                    text.substr(second, secondEnd == std::wstring::npos ? std::wstring::npos : secondEnd - second);
            }
        }
    }
    // Word times are kept apart from the text; in the second text they are only dropped.
    line->text = ParseWordTimes(line->text, &line->words);
    if (line->text.empty()) line->text = L" ";
    for (auto& word : line->words) word.time -= offset;
    if (line->secondText) line->secondText = ParseWordTimes(*line->secondText, nullptr);
    lines.push_back(std::move(line));
}

void LyricsModel::KeepIdTag(const std::wstring& token) {
    size_t colon = token.find(L':');
    if (colon == std::wstring::npos || colon == 0 || colon > 16 || idTags.size() >= 32) return;
    std::wstring key = token.substr(0, colon);
    for (auto& c : key) {
        if (c > 0x7F || !std::iswalpha(c)) return;  // a time ("01:23") or not a name
        c = static_cast<wchar_t>(std::towlower(c));
    }
    if (idTags.count(key)) return;
    size_t start = token.find_first_not_of(L" \t", colon + 1);
    size_t end = token.find_last_not_of(L" \t");
    idTags[key] = start == std::wstring::npos ? std::wstring() : token.substr(start, end - start + 1);
}

std::wstring LyricsModel::GetIdTag(const std::wstring& key) const {
    auto it = idTags.find(key);
    return it == idTags.end() ? std::wstring() : it->second;
}

void LyricsModel::FinishLoad() {
    // Tags were collected in file order: a stable sort keeps equal times in that order.
    std::stable_sort(tags.begin(), tags.end(),
                     [](const LyricTag& a, const LyricTag& b) { return a.time < b.time; });
    tags.push_back(LyricTag{0, kLyricEndTime});
    loaded = 1;
}

bool LyricsModel::Locate(double p, bool incremental, bool wholeWindow) {
    if (!loaded || tags.empty()) return false;
    auto later = [](double position, const LyricTag& tag) { return position < tag.time; };
    if (!incremental) {
        // The first tag never ends the search, so before the first tag its line is current.
        auto next = std::upper_bound(tags.begin() + 1, tags.end(), p, later);
        if (next == tags.end()) return false;
        FillWindow(static_cast<size_t>(next - tags.begin()) - 1, wholeWindow);
        return true;
    }
    auto next = std::upper_bound(tags.begin(), tags.end(), p, later);
    if (next == tags.end()) return false;
    if (next == tags.begin()) return true;
    FillWindow(static_cast<size_t>(next - tags.begin()) - 1, wholeWindow);
    return true;
}

int LyricsModel::NextTagAfter(double p) const {
    if (!loaded || tags.empty()) return -1;
    auto next = std::upper_bound(tags.begin(), tags.end() - 1, p,
                                 [](double position, const LyricTag& tag) { return position < tag.time; });
    return next == tags.end() - 1 ? -1 : static_cast<int>(next - tags.begin());
}

void LyricsModel::FillWindow(size_t current, bool wholeWindow) {
    auto slot = [this](size_t i) {
        return VisibleLine{lines[static_cast<size_t>(tags[i].lineIndex)].get(), tags[i].time};
    };
    if (!wholeWindow) {
        window[kLyricCurrentSlot] = slot(current);
        return;
    }
    window.fill(VisibleLine{});
    window[kLyricCurrentSlot] = slot(current);
    const size_t marker = tags.size() - 1;
    for (size_t k = 1; k <= kLyricCurrentSlot; ++k) {
        if (current >= k) window[kLyricCurrentSlot - k] = slot(current - k);
        if (current + k < marker) window[kLyricCurrentSlot + k] = slot(current + k);
    }
}

void LyricsModel::ShiftTimes(double delta) {
    for (auto& tag : tags) tag.time += delta;
    for (auto& line : lines)
        for (auto& word : line->words) word.time += delta;
}

const VisibleLine& LyricsModel::GetVisibleLine(int slot) const {
    static const VisibleLine kEmpty{};
    if (slot < 0 || slot >= kLyricWindowSlots) return kEmpty;
    return window[static_cast<size_t>(slot)];
}

}  // namespace vl
