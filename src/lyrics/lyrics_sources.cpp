#include "lyrics/lyrics_sources.h"

#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/synchronizedlyricsframe.h>
#include <taglib/unsynchronizedlyricsframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include "lyrics/synced_lyrics.h"
#include "engine/input/tags.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "settings/registry_keys.h"
#include "ui/playlist_files.h"

namespace vl {

namespace {

// Embedded lyrics larger than this are not read (a hostile tag may claim anything).
constexpr size_t kMaxEmbeddedChars = kMaxLyricFileBytes;

std::wstring ExtensionOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L'/');
    size_t dot = path.find_last_of(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return std::wstring();
    return LowerPath(path.substr(dot + 1));
}

// A name as the folder lookup compares it: NFC, then case-folded.
std::wstring FoldedName(const std::wstring& name) {
    std::u16string utf16;
    for (wchar_t c : name) {
        uint32_t u = static_cast<uint32_t>(c);
        if (u >= 0x10000 && u <= 0x10FFFF) {
            utf16 += static_cast<char16_t>(0xD800 + ((u - 0x10000) >> 10));
            utf16 += static_cast<char16_t>(0xDC00 + ((u - 0x10000) & 0x3FF));
        } else {
            utf16 += static_cast<char16_t>(u > 0xFFFF ? 0xFFFD : u);
        }
    }
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
    std::u16string normal(utf16.size() * 3 + 16, u'\0');
    int32_t n = U_SUCCESS(status) ? unorm2_normalize(nfc, reinterpret_cast<const UChar*>(utf16.data()),
                                                     static_cast<int32_t>(utf16.size()),
                                                     reinterpret_cast<UChar*>(&normal[0]),
                                                     static_cast<int32_t>(normal.size()), &status)
                                  : 0;
    if (U_FAILURE(status)) return LowerPath(name);
    normal.resize(static_cast<size_t>(n));
    std::u16string folded(normal.size() * 3 + 16, u'\0');
    status = U_ZERO_ERROR;
    n = u_strFoldCase(reinterpret_cast<UChar*>(&folded[0]), static_cast<int32_t>(folded.size()),
                      reinterpret_cast<const UChar*>(normal.data()), static_cast<int32_t>(normal.size()),
                      U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status)) return LowerPath(name);
    folded.resize(static_cast<size_t>(n));
    std::wstring out;
    for (size_t i = 0; i < folded.size(); ++i) {
        uint32_t u = folded[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < folded.size()) {
            u = 0x10000 + ((u - 0xD800) << 10) + (folded[++i] - 0xDC00u);
        }
        out += static_cast<wchar_t>(u);
    }
    return out;
}

// What a file carries: synchronized lyrics, and lyrics text with its kind.
struct Embedded {
    std::vector<TimedLine> synced;
    std::wstring text;
    LyricsSourceKind textKind = LyricsSourceKind::kNone;
};

double MsPerMpegFrame(const TagLib::MPEG::Properties* p) {
    if (!p || p->sampleRate() <= 0) return 0.0;
    int samples = p->layer() == 1 ? 384 : p->layer() == 2 || p->version() == TagLib::MPEG::Header::Version1 ? 1152 : 576;
    return samples * 1000.0 / p->sampleRate();
}

void ReadMpeg(const std::string& path, Embedded& out) {
    TagLib::MPEG::File file(path.c_str(), true, TagLib::AudioProperties::Fast);
    if (!file.isValid() || !file.hasID3v2Tag()) return;
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
    const TagLib::ID3v2::FrameList& sylt = tag->frameListMap()["SYLT"];
    TagLib::ID3v2::SynchronizedLyricsFrame* chosen = nullptr;
    for (TagLib::ID3v2::Frame* f : sylt) {
        auto* s = dynamic_cast<TagLib::ID3v2::SynchronizedLyricsFrame*>(f);
        if (!s) continue;
        if (!chosen) chosen = s;
        if (s->type() == TagLib::ID3v2::SynchronizedLyricsFrame::Lyrics) {
            chosen = s;
            break;
        }
    }
    if (chosen) {
        std::vector<SyncedText> entries;
        size_t chars = 0;
        for (const auto& e : chosen->synchedText()) {
            std::wstring text = e.text.toWString();
            chars += text.size();
            if (chars > kMaxEmbeddedChars) break;
            entries.push_back(SyncedText{e.time, std::move(text)});
        }
        out.synced = ConvertSynced(entries, chosen->timestampFormat(), MsPerMpegFrame(file.audioProperties()));
    }
    for (TagLib::ID3v2::Frame* f : tag->frameListMap()["USLT"]) {
        if (auto* u = dynamic_cast<TagLib::ID3v2::UnsynchronizedLyricsFrame*>(f)) {
            out.text = u->text().toWString();
            out.textKind = LyricsSourceKind::kUslt;
            break;
        }
    }
}

void ReadXiph(TagLib::Ogg::XiphComment* comment, Embedded& out) {
    if (!comment) return;
    const TagLib::Ogg::FieldListMap& fields = comment->fieldListMap();
    for (const char* key : {"LYRICS", "UNSYNCEDLYRICS"}) {
        auto it = fields.find(key);
        if (it == fields.end() || it->second.isEmpty()) continue;
        out.text = it->second.front().toWString();
        out.textKind = LyricsSourceKind::kComment;
        return;
    }
}

std::wstring LyricsFolderOrDefault(const std::wstring& lyricsFolder) {
    return lyricsFolder.empty() ? DefaultLyricsFolder() : lyricsFolder;
}

Embedded ReadEmbedded(const std::wstring& musicPath) {
    SilenceTagLib();
    Embedded out;
    std::string path = NativePath(musicPath);
    std::wstring ext = ExtensionOf(musicPath);
    if (ext == L"mp3" || ext == L"mp2" || ext == L"mpa" || ext == L"rmp") {
        ReadMpeg(path, out);
    } else if (ext == L"ogg") {
        TagLib::Ogg::Vorbis::File file(path.c_str(), false);
        if (file.isValid()) ReadXiph(file.tag(), out);
    } else if (ext == L"flac") {
        TagLib::FLAC::File file(path.c_str(), false);
        if (file.isValid() && file.hasXiphComment()) ReadXiph(file.xiphComment(), out);
    }
    if (out.text.size() > kMaxEmbeddedChars) out.text.clear();
    return out;
}

}  // namespace

const char* LyricsSourceName(LyricsSourceKind kind) {
    switch (kind) {
        case LyricsSourceKind::kFile: return "file";
        case LyricsSourceKind::kSylt: return "sylt";
        case LyricsSourceKind::kUslt: return "uslt";
        case LyricsSourceKind::kComment: return "comment";
        case LyricsSourceKind::kFolder: return "folder";
        default: return "none";
    }
}

std::wstring DefaultLyricsFolder() { return JoinPath(GetDataDir(), L"lyrics"); }

std::wstring LyricsFolderSetting() {
    RegKey key;
    std::wstring folder;
    if (!key.Open(HKEY_CURRENT_USER, kSettingsKey) || !key.QueryString(L"LyricsFolder", folder, 8192)) folder.clear();
    return folder;
}

std::wstring LyricsFolderFileName(const std::wstring& artist, const std::wstring& title) {
    if (artist.empty() && title.empty()) return std::wstring();
    std::wstring name = artist + L" - " + title + L".lrc";
    for (auto& c : name)
        if (c == L'/') c = L'_';
    return name;
}

std::wstring FindInLyricsFolder(const std::wstring& folder, const std::wstring& name) {
    if (name.empty()) return std::wstring();
    std::wstring direct = JoinPath(folder, name);
    if (FileExists(direct)) return direct;
    const std::wstring wanted = FoldedName(name);
    for (const DirEntry& entry : ListDirectory(folder)) {
        if (entry.isDirectory || FoldedName(entry.name) != wanted) continue;
        std::wstring path = JoinPath(folder, entry.name);
        if (FileExists(path)) return path;
    }
    return std::wstring();
}

std::vector<std::wstring> LyricsDownloadTargets(const std::wstring& musicPath, const TagInfo& tags,
                                                const std::wstring& lyricsFolder) {
    std::vector<std::wstring> targets{LyricsModel::LyricFileName(musicPath)};
    std::wstring name = LyricsFolderFileName(TagText(tags.artist), TagText(tags.title));
    if (name.empty()) return targets;
    std::wstring folder = LyricsFolderOrDefault(lyricsFolder);
    std::wstring found = FindInLyricsFolder(folder, name);
    targets.push_back(found.empty() ? JoinPath(folder, name) : found);
    return targets;
}

LyricsSource LoadLyricsFor(LyricsModel& model, const std::wstring& musicPath, const TagInfo* tags,
                           const std::wstring& lyricsFolder) {
    LyricsSource source;
    if (model.Load(musicPath)) {
        source.kind = LyricsSourceKind::kFile;
        source.path = LyricsModel::LyricFileName(musicPath);
        return source;
    }
    Embedded embedded = ReadEmbedded(musicPath);
    if (!embedded.synced.empty()) {
        model.LoadTimedLines(embedded.synced);
        if (model.GetTagCount() > 1) return LyricsSource{LyricsSourceKind::kSylt, musicPath};
    }
    if (!embedded.text.empty()) {
        model.LoadText(embedded.text);
        if (model.GetTagCount() > 1) return LyricsSource{embedded.textKind, musicPath};
    }
    if (tags) {
        std::wstring found = FindInLyricsFolder(LyricsFolderOrDefault(lyricsFolder),
                                                LyricsFolderFileName(TagText(tags->artist), TagText(tags->title)));
        std::string bytes;
        if (!found.empty() && ReadFileBytes(found, bytes, kMaxLyricFileBytes)) {
            model.LoadBytes(bytes);
            return LyricsSource{LyricsSourceKind::kFolder, found};
        }
    }
    if (!embedded.text.empty()) {
        model.LoadUnsynced(embedded.text);
        if (model.GetLineCount() > 0) return LyricsSource{embedded.textKind, musicPath};
    }
    model.Clear();
    return source;
}

}  // namespace vl
