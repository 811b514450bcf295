// MPEG audio frame headers: parsing, searching a file for frames, the content test and the
// open-time length estimate (VBR tag or full scan).
#include <cstring>
#include <memory>
#include <new>

#include "engine/input/file_reader.h"
#include "engine/input/mpeg_input.h"

namespace vl {

namespace {

constexpr int kBitrates[5][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},  // MPEG-1 Layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},     // MPEG-1 Layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},      // MPEG-1 Layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},     // MPEG-2/2.5 Layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},          // MPEG-2/2.5 Layer II, III
};
constexpr int kRates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};

constexpr uint32_t kWindow = 512;
constexpr uint32_t kContentTestBytes = 4096;
constexpr uint32_t kSearchBlock = 0x10000;

bool SameStream(const MpegHeader& a, const MpegHeader& b) {
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

// Seeks and reads exactly count bytes.
bool ReadAt(FileReader& reader, int64_t pos, uint8_t* out, uint32_t count) {
    if (pos < 0 || reader.Seek(pos, FILE_BEGIN) != pos) return false;
    uint32_t got = 0;
    return reader.Read(out, count, got) && got == count;
}

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

uint32_t ClampSamples(uint64_t samples) { return samples > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(samples); }

// Frame count of a Xing or VBRI tag in the first frame at v; 0 when there is none.
uint64_t ReadVbrFrameCount(FileReader& reader, int64_t v, const MpegHeader& h) {
    // Side information follows the 4 header bytes: MPEG-1 has the long form.
    int sideInfo = h.version == 1 ? (h.channels == 1 ? 17 : 32) : (h.channels == 1 ? 9 : 17);
    uint8_t tag[12];
    if (ReadAt(reader, v + 4 + sideInfo, tag, 12) && std::memcmp(tag, "Xing", 4) == 0) {
        // The count is present only when the first flag is set.
        return (BigEndian32(tag + 4) & 1) ? BigEndian32(tag + 8) : 0;
    }
    // VBRI always sits 32 bytes after the header.
    uint8_t vbri[18];
    if (ReadAt(reader, v + 4 + 32, vbri, 18) && std::memcmp(vbri, "VBRI", 4) == 0) return BigEndian32(vbri + 14);
    return 0;
}

template <typename Match>
int64_t SearchFrom(FileReader& reader, Match match) {
    Locked lock(reader.Lock());
    int64_t start = reader.Tell();
    if (start == kNoPosition) return kNoPosition;
    uint8_t window[kWindow];
    uint32_t have = 0;
    if (!reader.Read(window, kWindow, have)) return kNoPosition;
    int64_t windowPos = start;
    for (;;) {
        for (uint32_t i = 0; i + 3 <= have; ++i) {
            if (window[i] == 0xFF && match(window + i)) {
                int64_t found = windowPos + i;
                reader.Seek(found, FILE_BEGIN);
                return found;
            }
        }
        if (have < kWindow) return kNoPosition;  // end of file
        // Keep the last three bytes so a header across the window edge is still seen.
        std::memmove(window, window + have - 3, 3);
        windowPos += have - 3;
        uint32_t got = 0;
        if (!reader.Read(window + 3, kWindow - 3, got) || got == 0) return kNoPosition;
        have = 3 + got;
    }
}

// Reads a file through one large block, so that searches over files full of header-like bytes
// cost one pass instead of a read per candidate.
class BlockCache {
public:
    explicit BlockCache(FileReader& reader) : reader_(reader), block_(new (std::nothrow) uint8_t[kSearchBlock]) {}
    bool Ok() const { return block_ != nullptr; }

    // The 4 bytes at pos; false on a short read.
    bool Get4(int64_t pos, uint8_t out[4]) {
        if (!Holds(pos, 4) && (!Load(pos) || have_ < 4)) return false;
        std::memcpy(out, block_.get() + (pos - base_), 4);
        return true;
    }

    // The first position from pos on that passes the quick sync test; kNoPosition at the end.
    int64_t NextSync(int64_t pos) {
        for (;;) {
            if (!Holds(pos, 3) && (!Load(pos) || have_ < 3)) return kNoPosition;
            for (uint32_t i = static_cast<uint32_t>(pos - base_); i + 3 <= have_; ++i)
                if (QuickSyncTest(block_.get() + i)) return base_ + i;
            if (have_ < kSearchBlock) return kNoPosition;
            pos = base_ + have_ - 2;
        }
    }

private:
    bool Holds(int64_t pos, uint32_t n) const { return base_ >= 0 && pos >= base_ && pos + n <= base_ + have_; }
    bool Load(int64_t pos) {
        base_ = -1;
        have_ = 0;
        if (!block_ || pos < 0 || reader_.Seek(pos, FILE_BEGIN) != pos) return false;
        if (!reader_.Read(block_.get(), kSearchBlock, have_)) return false;
        base_ = pos;
        return true;
    }

    FileReader& reader_;
    std::unique_ptr<uint8_t[]> block_;
    int64_t base_ = -1;
    uint32_t have_ = 0;
};

}  // namespace

bool ParseHeader(const uint8_t bytes[4], MpegHeader& header) {
    uint32_t h = BigEndian32(bytes);
    if (h <= 0xFFDFFFFFu) return false;
    int layerBits = (h >> 17) & 3;
    int bitrateIndex = (h >> 12) & 15;
    int rateIndex = (h >> 10) & 3;
    if (layerBits == 0 || bitrateIndex == 15 || bitrateIndex == 0 || rateIndex == 3) return false;
    // Version bits 01 are reserved: no decoder takes them.
    if (!(h & (1u << 20)) && (h & (1u << 19))) return false;
    int version = !(h & (1u << 20)) ? 3 : (h & (1u << 19)) ? 1 : 2;
    int layer = 4 - layerBits;
    int table = version == 1 ? layer - 1 : (layer == 1 ? 3 : 4);
    int bitrate = kBitrates[table][bitrateIndex];
    if (bitrate == 0) return false;
    int rate = kRates[version - 1][rateIndex];
    int padding = (h >> 9) & 1;
    MpegHeader out;
    out.version = version;
    out.layer = layer;
    out.channels = ((h >> 6) & 3) == 3 ? 1 : 2;
    out.sampleRate = rate;
    out.bitrate = bitrate;
    if (layer == 1) {
        out.frameLength = (12000 * bitrate / rate + padding) * 4;
        out.samplesPerFrame = 384;
    } else if (layer == 3 && version != 1) {
        out.frameLength = 72000 * bitrate / rate + padding;
        out.samplesPerFrame = 576;
    } else {
        out.frameLength = 144000 * bitrate / rate + padding;
        out.samplesPerFrame = 1152;
    }
    header = out;
    return true;
}

bool QuickSyncTest(const uint8_t* b) {
    return b[0] == 0xFF && b[1] >= 0xE0 && (b[1] & 6) != 0 && b[2] < 0xF0 && (b[2] & 0x0C) != 0x0C && b[2] > 15;
}

int64_t FindSync(FileReader& reader) {
    return SearchFrom(reader, [](const uint8_t* p) { return QuickSyncTest(p); });
}

int64_t FindFrame(FileReader& reader, int version, int layer) {
    int versionBits = version == 1 ? 3 : version == 2 ? 2 : 0;
    int layerBits = 4 - layer;
    return SearchFrom(reader, [=](const uint8_t* p) {
        return QuickSyncTest(p) && ((p[1] >> 3) & 3) == versionBits && ((p[1] >> 1) & 3) == layerBits;
    });
}

bool IsMpegData(const uint8_t* data, uint32_t count) {
    if (count < 4) return false;
    if (std::memcmp(data, "ID3", 3) == 0) return true;
    if (std::memcmp(data, "RIFF", 4) == 0) {
        if (count < 12) return false;
        if (std::memcmp(data + 8, "RMP3", 4) == 0) return true;
        if (std::memcmp(data + 8, "WAVE", 4) == 0 && count >= 22 && std::memcmp(data + 12, "fmt ", 4) == 0) {
            int tag = data[20] | (data[21] << 8);
            return tag == 0x55 || tag == 0x50;
        }
        return false;
    }
    for (uint32_t i = 0; i + 4 < count; ++i) {
        MpegHeader first, second;
        if (!ParseHeader(data + i, first)) continue;
        uint64_t next = uint64_t{i} + static_cast<uint32_t>(first.frameLength);
        if (next + 4 < count && ParseHeader(data + next, second) && SameStream(first, second)) return true;
    }
    return false;
}

bool IsMpegFile(const std::wstring& path) {
    auto reader = std::make_unique<FileReader>();
    if (!reader->Open(path)) return false;
    uint8_t buffer[kContentTestBytes];
    uint32_t count = 0;
    bool ok = reader->Read(buffer, kContentTestBytes, count);
    reader->Close();
    return ok && IsMpegData(buffer, count);
}

AudioRange FindAudioRange(FileReader& reader) {
    AudioRange range;
    const int64_t size = reader.GetSize();
    range.end = size > 0 ? size : 0;
    auto readAt = [&reader](int64_t pos, uint8_t* out, uint32_t n) {
        uint32_t got = 0;
        return reader.Seek(pos, FILE_BEGIN) == pos && reader.Read(out, n, got) && got == n;
    };
    uint8_t b[32];
    if (readAt(0, b, 10) && std::memcmp(b, "ID3", 3) == 0 && b[3] != 0xFF && b[4] != 0xFF &&
        ((b[6] | b[7] | b[8] | b[9]) & 0x80) == 0) {
        int64_t length = 10 + ((int64_t{b[6]} << 21) | (b[7] << 14) | (b[8] << 7) | b[9]);
        if (b[5] & 0x10) length += 10;  // footer
        if (length < range.end) range.start = length;
    }
    if (range.end - range.start >= 128 && readAt(range.end - 128, b, 3) && std::memcmp(b, "TAG", 3) == 0)
        range.end -= 128;
    if (range.end - range.start >= 32 && readAt(range.end - 32, b, 32) && std::memcmp(b, "APETAGEX", 8) == 0) {
        auto le32 = [&b](int at) {
            return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
        };
        int64_t length = le32(12);                  // items and footer
        if (le32(20) & 0x80000000u) length += 32;  // a header as well
        if (length >= 32 && length <= range.end - range.start) range.end -= length;
    }
    reader.Seek(0, FILE_BEGIN);
    return range;
}

namespace {

bool EstimateFrom(FileReader& reader, BlockCache& cache, const AudioRange& range, FormatRecord& format,
                  uint32_t& totalSamples) {
    // The first header that a header of the same stream follows one frame on; a short read
    // of either ends the search.
    MpegHeader h;
    int64_t v = cache.NextSync(range.start);
    for (;;) {
        if (v == kNoPosition) return false;
        uint8_t b[4];
        if (!cache.Get4(v, b)) return false;
        if (ParseHeader(b, h)) {
            MpegHeader next;
            if (!cache.Get4(v + h.frameLength, b)) return false;
            if (ParseHeader(b, next) && SameStream(h, next)) break;
        }
        v = cache.NextSync(v + 1);
    }
    format = h;
    const uint64_t size = static_cast<uint64_t>(range.end - range.start);
    const uint64_t spf = static_cast<uint64_t>(h.samplesPerFrame);
    uint64_t frames = ReadVbrFrameCount(reader, v, h);
    // A count of 0, one no frame could hold, or a file under one second leaves the tag
    // unusable; the plain estimate below stands in.
    uint64_t seconds = frames * spf / static_cast<uint64_t>(h.sampleRate);
    if (frames > 0 && frames <= size / 16 && seconds > 0) {
        totalSamples = ClampSamples(frames * spf);
        format.frameLength = static_cast<int32_t>(size / frames);
        uint64_t kbps = ((size * 8) / seconds + 500) / 1000;
        format.bitrate = kbps > INT32_MAX ? INT32_MAX : static_cast<int32_t>(kbps);
    } else {
        totalSamples = ClampSamples(size / static_cast<uint64_t>(h.frameLength) * spf);
    }
    reader.Seek(0, FILE_BEGIN);
    return true;
}

bool ScanFrom(FileReader& reader, BlockCache& cache, const AudioRange& range, FormatRecord& format,
              uint32_t& totalSamples) {
    int64_t pos = cache.NextSync(range.start);
    if (pos == kNoPosition) return false;
    uint8_t b[4];
    bool ok = cache.Get4(pos, b);
    int64_t count = 0, sumLength = 0, sumBitrate = 0;
    int64_t prevPos = 0;
    MpegHeader prev, first;
    bool chained = false;  // the frame at pos directly follows the counted frame at prevPos
    bool stored = false;
    while (ok) {
        MpegHeader h;
        if (ParseHeader(b, h) && (count == 0 || SameStream(h, prev))) {
            if (count == 0) first = h;
            if (count == 1 && !stored) {
                format = first;
                stored = true;
            }
            ++count;
            sumLength += h.frameLength;
            sumBitrate += h.bitrate;
            prev = h;
            prevPos = pos;
            chained = true;
            pos += h.frameLength;
        } else {
            // The frame before a broken link was a false sync (or the last before a tag).
            int64_t restart = pos + 1;
            if (chained) {
                if (count > 0) {
                    --count;
                    sumLength -= prev.frameLength;
                    sumBitrate -= prev.bitrate;
                }
                restart = prevPos + 1;
                chained = false;
            }
            pos = cache.NextSync(restart);
            if (pos == kNoPosition) break;
        }
        ok = cache.Get4(pos, b);
    }
    if (count == 0) return false;
    if (!stored) format = first;
    format.frameLength = static_cast<int32_t>(sumLength / count);
    format.bitrate = static_cast<int32_t>(static_cast<double>(sumBitrate) / count + 0.5);
    totalSamples = ClampSamples(static_cast<uint64_t>(count) * static_cast<uint64_t>(format.samplesPerFrame));
    reader.Seek(0, FILE_BEGIN);
    return true;
}

using Measurement = bool (*)(FileReader&, BlockCache&, const AudioRange&, FormatRecord&, uint32_t&);

// What both measurements start with: the reader's lock, cleared results, the audio range and
// a cache over the file.
bool Measure(FileReader& reader, FormatRecord& format, uint32_t& totalSamples, AudioRange* rangeOut,
             Measurement measurement) {
    Locked lock(reader.Lock());
    format = FormatRecord();
    totalSamples = 0;
    const AudioRange range = FindAudioRange(reader);
    if (rangeOut) *rangeOut = range;
    BlockCache cache(reader);
    if (!cache.Ok()) return false;
    return measurement(reader, cache, range, format, totalSamples);
}

}  // namespace

bool EstimateFile(FileReader& reader, FormatRecord& format, uint32_t& totalSamples, AudioRange* rangeOut) {
    return Measure(reader, format, totalSamples, rangeOut, EstimateFrom);
}

bool ScanFile(FileReader& reader, FormatRecord& format, uint32_t& totalSamples, AudioRange* rangeOut) {
    return Measure(reader, format, totalSamples, rangeOut, ScanFrom);
}

}  // namespace vl
