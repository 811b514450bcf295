// Tags of MPEG files as files carry them today: an ID3v2 (2.2 to 2.4) or APE tag through
// TagLib, in the tag's own text encoding; ID3v1 by its own reader, alone or filling the fields
// the richer tag leaves empty.
#include <taglib/apetag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tdebuglistener.h>
#include <taglib/textidentificationframe.h>

#include <cstring>
#include <cwctype>
#include <mutex>

#include "engine/input/tags.h"
#include "platform/text.h"

namespace vl {

namespace {

class QuietListener : public TagLib::DebugListener {
public:
    void printMessage(const TagLib::String&) override {}
};

template <size_t N>
void Put(wchar_t (&dest)[N], const TagLib::String& text) {
    CopyText(dest, N, text.toWString());
}

// "17", "(17)" and "(17)Rock" name genre 17 of the table; any other text is the genre itself.
std::wstring GenreText(const std::wstring& raw) {
    size_t start = !raw.empty() && raw[0] == L'(' ? 1 : 0;
    size_t end = start;
    while (end < raw.size() && end - start < 4 && std::iswdigit(raw[end])) ++end;
    bool closed = start == 0 ? end == raw.size() : end < raw.size() && raw[end] == L')';
    if (end > start && closed) {
        if (const wchar_t* name = GenreName(std::stoi(raw.substr(start, end - start)))) return name;
        if (start == 0 || end + 1 == raw.size()) return std::wstring();
        return raw.substr(end + 1);
    }
    return raw;
}

std::wstring Id3v2Genre(TagLib::ID3v2::Tag& tag) {
    const TagLib::ID3v2::FrameList& frames = tag.frameListMap()["TCON"];
    if (frames.isEmpty()) return std::wstring();
    auto* text = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(frames.front());
    if (!text) return std::wstring();
    for (const TagLib::String& field : text->fieldList()) {
        std::wstring genre = GenreText(field.toWString());
        if (!genre.empty()) return genre;
    }
    return std::wstring();
}

void FillGaps(TagInfo& tags, const TagInfo& from) {
    auto fill = [](wchar_t* dest, const wchar_t* src, size_t n) {
        if (dest[0] == 0) std::wmemcpy(dest, src, n);
    };
    fill(tags.title, from.title, 255);
    fill(tags.artist, from.artist, 255);
    fill(tags.album, from.album, 255);
    fill(tags.comment, from.comment, 255);
    fill(tags.genre, from.genre, 256);
    if (tags.year == 0) tags.year = from.year;
    if (tags.track == 0) tags.track = from.track;
}

}  // namespace

void SilenceTagLib() {
    static std::once_flag once;
    static QuietListener listener;
    std::call_once(once, [] { TagLib::setDebugListener(&listener); });
}

bool ReadMpegTags(const std::wstring& path, TagInfo& tags) {
    SilenceTagLib();
    TagLib::MPEG::File file(NativePath(path).c_str(), false);
    TagLib::Tag* rich = nullptr;
    TagLib::ID3v2::Tag* id3v2 = nullptr;
    if (file.isValid()) {
        if (file.hasID3v2Tag() && !file.ID3v2Tag()->isEmpty()) rich = id3v2 = file.ID3v2Tag();
        else if (file.hasAPETag() && !file.APETag()->isEmpty()) rich = file.APETag();
    }
    if (!rich) return ReadId3v1(path, tags);

    std::memset(&tags, 0, sizeof(tags));
    Put(tags.title, rich->title());
    Put(tags.artist, rich->artist());
    Put(tags.album, rich->album());
    Put(tags.comment, rich->comment());
    if (id3v2) CopyText(tags.genre, 256, Id3v2Genre(*id3v2));
    else Put(tags.genre, rich->genre());
    tags.year = static_cast<int32_t>(rich->year() > 9999 ? 0 : rich->year());
    tags.track = static_cast<int32_t>(rich->track() > 0xFFFF ? 0 : rich->track());
    TagInfo v1;
    if (ReadId3v1(path, v1)) FillGaps(tags, v1);
    return true;
}

}  // namespace vl
