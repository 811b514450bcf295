#include "engine/input/tags.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "engine/input/file_reader.h"
#include "platform/text.h"

namespace vl {

namespace {

// The ID3v1 genre list with its later extensions, spelled as that list spells them.
const wchar_t* const kGenres[kGenreCount] = {
    L"Blues", L"Classic Rock", L"Country", L"Dance", L"Disco", L"Funk", L"Grunge", L"Hip-Hop",
    L"Jazz", L"Metal", L"New Age", L"Oldies", L"Other", L"Pop", L"R&B", L"Rap",
    L"Reggae", L"Rock", L"Techno", L"Industrial", L"Alternative", L"Ska", L"Death Metal", L"Pranks",
    L"Soundtrack", L"Euro-Techno", L"Ambient", L"Trip-Hop", L"Vocal", L"Jazz+Funk", L"Fusion", L"Trance",
    L"Classical", L"Instrumental", L"Acid", L"House", L"Game", L"Sound Clip", L"Gospel", L"Noise",
    L"AlternRock", L"Bass", L"Soul", L"Punk", L"Space", L"Meditative", L"Instrumental Pop",
    L"Instrumental Rock", L"Ethnic", L"Gothic", L"Darkwave", L"Techno-Industrial", L"Electronic",
    L"Pop-Folk", L"Eurodance", L"Dream", L"Southern Rock", L"Comedy", L"Cult", L"Gangsta", L"Top 40",
    L"Christian Rap", L"Pop/Funk", L"Jungle", L"Native American", L"Cabaret", L"New Wave",
    L"Psychadelic", L"Rave", L"Showtunes", L"Trailer", L"Lo-Fi", L"Tribal", L"Acid Punk", L"Acid Jazz",
    L"Polka", L"Retro", L"Musical", L"Rock & Roll", L"Hard Rock",
    // 80..147
    L"Folk", L"Folk-Rock", L"National Folk", L"Swing", L"Fast Fusion", L"Bebob", L"Latin", L"Revival",
    L"Celtic", L"Bluegrass", L"Avantgarde", L"Gothic Rock", L"Progressive Rock", L"Psychedelic Rock",
    L"Symphonic Rock", L"Slow Rock", L"Big Band", L"Chorus", L"Easy Listening", L"Acoustic", L"Humour",
    L"Speech", L"Chanson", L"Opera", L"Chamber Music", L"Sonata", L"Symphony", L"Booty Bass", L"Primus",
    L"Porn Groove", L"Satire", L"Slow Jam", L"Club", L"Tango", L"Samba", L"Folklore", L"Ballad",
    L"Power Ballad", L"Rhythmic Soul", L"Freestyle", L"Duet", L"Punk Rock", L"Drum Solo", L"Acapella",
    L"Euro-House", L"Dance Hall", L"Goa", L"Drum & Bass", L"Club-House", L"Hardcore", L"Terror",
    L"Indie", L"BritPop", L"Negerpunk", L"Polsk Punk", L"Beat", L"Christian Gangsta Rap",
    L"Heavy Metal", L"Black Metal", L"Crossover", L"Contemporary Christian", L"Christian Rock",
    L"Merengue", L"Salsa", L"Thrash Metal", L"Anime", L"Jpop", L"Synthpop",
};

constexpr int64_t kTagSize = 128;
constexpr size_t kFieldChars = 31;  // 30 bytes of text and the terminator

// One fixed-width text field: trailing spaces dropped, ends at the first zero byte.
void ConvertField(const uint8_t* src, size_t length, wchar_t* dest) {
    char buffer[kFieldChars] = {};
    std::memcpy(buffer, src, length);
    for (size_t i = length; i > 0 && buffer[i - 1] == ' '; --i) buffer[i - 1] = 0;
    CopyText(dest, kFieldChars, AnsiToWide(buffer, std::strlen(buffer)));
}

}  // namespace

const wchar_t* GenreName(int index) {
    if (index < 0 || index >= kGenreCount) return nullptr;
    return kGenres[index];
}

void GetGenreName(int index, std::wstring& out) {
    if (const wchar_t* name = GenreName(index)) out = name;
}

void CopyText(wchar_t* dest, size_t capacity, const std::wstring& text) {
    if (!dest || capacity == 0) return;
    size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::wmemcpy(dest, text.data(), n);
    dest[n] = 0;
}

bool ReadId3v1(const std::wstring& path, TagInfo& tags) {
    std::memset(&tags, 0, kTagSize);
    auto reader = std::make_unique<FileReader>();
    if (!reader->Open(path)) return false;
    int64_t size = reader->GetSize();
    uint8_t tag[kTagSize];
    uint32_t got = 0;
    if (size < kTagSize || reader->Seek(size - kTagSize, FILE_BEGIN) != size - kTagSize ||
        !reader->Read(tag, kTagSize, got) || got < kTagSize || std::memcmp(tag, "TAG", 3) != 0) {
        reader->Close();
        return false;
    }
    char year[5] = {};
    std::memcpy(year, tag + 93, 4);
    tags.year = std::atoi(year);
    ConvertField(tag + 3, 30, tags.title);
    ConvertField(tag + 33, 30, tags.artist);
    ConvertField(tag + 63, 30, tags.album);
    tags.track = 0;
    if (tag[125] == 0) {
        tags.track = tag[126];
        ConvertField(tag + 97, 28, tags.comment);
    } else {
        ConvertField(tag + 97, 30, tags.comment);
    }
    int genre = tag[127];
    if (genre >= kGenreCount) std::memset(tags.genre, 0, sizeof(tags.genre));
    else CopyText(tags.genre, sizeof(tags.genre) / sizeof(tags.genre[0]), kGenres[genre]);
    reader->Close();
    return true;
}

}  // namespace vl
