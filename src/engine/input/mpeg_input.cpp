// The engine's MPEG audio input: open, seek, the decode step and the decoder slot.
#include "engine/input/mpeg_input.h"

#include <cstring>
#include <memory>
#include <new>

#include "engine/input/mpeg_decoder.h"
#include "engine/input/source.h"
#include "engine/input/tags.h"
#include "engine/player_engine.h"

namespace vl {

namespace {

constexpr uint32_t kInputBufferSize = 0x4000;
constexpr uint32_t kSmallInputBufferSize = 2048;

}  // namespace

namespace {

using FileMeasurement = bool (*)(FileReader&, FormatRecord&, uint32_t&, AudioRange*);

// One measurement of the open file into the engine's format, length and audio start.
bool MeasureOpenFile(PlayerEngine& engine, FileMeasurement measurement) {
    uint32_t total = 0;
    AudioRange range;
    bool ok = measurement(engine.fileReader, engine.format, total, &range);
    engine.audioStart = range.start;
    engine.totalSamples = total;
    return ok;
}

}  // namespace

bool EstimateFile(PlayerEngine& engine) { return MeasureOpenFile(engine, EstimateFile); }

bool ScanFile(PlayerEngine& engine) { return MeasureOpenFile(engine, ScanFile); }

bool OpenMpeg(PlayerEngine& engine, const std::wstring& path) {
    if (!IsMpegFile(path)) return false;
    if (!engine.fileReader.Open(path)) return false;
    bool ok = engine.outputSettings.scanCompletely ? ScanFile(engine) : EstimateFile(engine);
    if (!ok) {
        engine.fileReader.Close();
        engine.format = FormatRecord();
        engine.totalSamples = 0;
        return false;
    }
    return true;
}

bool SeekMpeg(PlayerEngine& engine, int ms) {
    FileReader& reader = engine.fileReader;
    const FormatRecord& f = engine.format;
    if (f.sampleRate <= 0 || f.samplesPerFrame <= 0 || ms < 0) return false;
    Locked lock(reader.Lock());
    // A refused seek leaves playback where it was.
    const int64_t before = reader.Tell();
    uint32_t target = static_cast<uint32_t>(static_cast<int64_t>(f.sampleRate * static_cast<double>(ms) * 0.001));
    uint32_t frameIndex = target / static_cast<uint32_t>(f.samplesPerFrame);
    int64_t start = 0;
    bool found = false;
    if (engine.outputSettings.scanCompletely) {
        reader.Seek(engine.audioStart, FILE_BEGIN);
        int64_t pos = FindFrame(reader, f.version, f.layer);
        uint32_t seen = 0;
        while (pos != kNoPosition) {
            uint8_t b[4];
            uint32_t got = 0;
            if (!reader.Read(b, 4, got) || got < 4) break;
            MpegHeader h;
            if (ParseHeader(b, h)) {
                if (++seen >= frameIndex) {
                    reader.Seek(-4, FILE_CURRENT);
                    found = true;
                    break;
                }
                reader.Seek(h.frameLength - 4, FILE_CURRENT);
            } else {
                reader.Seek(-3, FILE_CURRENT);
                pos = FindFrame(reader, f.version, f.layer);
            }
        }
    } else {
        start = engine.audioStart + static_cast<int64_t>(frameIndex) * f.frameLength;
        if (reader.Seek(start, FILE_BEGIN) == start) found = FindFrame(reader, f.version, f.layer) != kNoPosition;
    }
    if (!found) {
        if (before != kNoPosition) reader.Seek(before, FILE_BEGIN);
        return false;
    }
    engine.SeekReached(target);
    return true;
}

void RewindMpeg(PlayerEngine& engine) { engine.fileReader.Seek(0, FILE_BEGIN); }

uint32_t DecodeBuffer(PlayerEngine& engine, const uint8_t* data, uint32_t length) {
    const FormatRecord& f = engine.format;
    const uint32_t frameBytes = static_cast<uint32_t>(2 * (f.channels == 1 ? 1 : 2));
    uint32_t pos = 0;
    while (!engine.stopRequested) {
        if (engine.seekRequested || engine.stopRequested || !engine.EnsurePendingBuffer()) return pos;
        if (engine.PendingRoom() < frameBytes) {
            engine.SubmitPending();
            continue;
        }
        MpegDecoder* decoder = engine.SlotDecoder();
        if (!decoder) return pos;
        if (!decoder->HasPending()) {
            if (length - pos < 4) return pos;
            if (!QuickSyncTest(data + pos)) {
                MpegHeader h;
                while (length - pos >= 4 && !(ParseHeader(data + pos, h) && h.version == f.version &&
                                              h.layer == f.layer && h.sampleRate == f.sampleRate))
                    ++pos;
                if (length - pos < 4) return pos;
            }
        }
        uint32_t consumed = 0, produced = 0;
        decoder->SetOutputChannels(f.channels == 1 ? 1 : 2);
        int result = decoder->Decode(data + pos, length - pos, engine.PendingSpace(), engine.PendingRoom(), consumed,
                                     produced, 16, 0);
        engine.CommitPending(produced, false);
        switch (result) {
        case MpegDecoder::kFrameDone:
        case MpegDecoder::kOutputFull:
            pos += consumed;
            break;
        case MpegDecoder::kNeedInput:
            if (!decoder->HasPending()) return pos;
            break;
        case MpegDecoder::kRecoverable:
            ++pos;
            break;
        default:  // fatal: start over with a fresh decoder
            if (!engine.ResetSlotDecoder()) return pos;
            ++pos;
            break;
        }
    }
    return pos;
}

int DecodeStepMpeg(PlayerEngine& engine) {
    // Room behind the data for the zero bytes libmad needs to finish the last frame.
    uint32_t capacity = kInputBufferSize;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[capacity + MAD_BUFFER_GUARD]);
    if (!buffer) {
        capacity = kSmallInputBufferSize;
        buffer.reset(new (std::nothrow) uint8_t[capacity + MAD_BUFFER_GUARD]);
        if (!buffer) return kDecodeError;
    }
    uint8_t* data = buffer.get();
    uint32_t fill = 0;
    bool tailDone = false;
    for (;;) {
        if (engine.stopRequested) return kDecodeStopped;
        if (!engine.SlotDecoder()) return kDecodeError;
        const DecodePass pass = engine.BeginDecodePass();
        if (pass == DecodePass::kFailed) return kDecodeError;
        if (pass == DecodePass::kSeeked) {
            fill = 0;
            tailDone = false;
            continue;
        }
        uint32_t got = 0;
        bool ok = engine.fileReader.Read(data + fill, capacity - fill, got);
        const bool readError = !ok && engine.fileReader.LastError() != 0;
        engine.EndDecodePass();
        if (readError) return kDecodeError;
        if (!ok || got == 0) {
            // End of data: decode the last frame, which libmad only takes with guard bytes
            // behind it. The decode thread then drains the output (and comes back here when
            // a seek arrives meanwhile).
            if (!tailDone && fill > 0) {
                tailDone = true;
                std::memset(data + fill, 0, MAD_BUFFER_GUARD);
                DecodeBuffer(engine, data, fill + MAD_BUFFER_GUARD);
                fill = 0;
                if (engine.stopRequested) return kDecodeStopped;
                if (engine.seekRequested) continue;
            }
            return kDecodeEnded;
        }
        fill += got;
        uint32_t used = DecodeBuffer(engine, data, fill);
        if (engine.endReached) return kDecodeEnded;
        std::memmove(data, data + used, fill - used);
        fill -= used;
    }
}

namespace {

bool ClearMpegForSeek(PlayerEngine& engine) { return engine.ResetSlotDecoder(); }

bool GetMpegTags(PlayerEngine& engine, TagInfo& tags) { return ReadMpegTags(engine.path, tags); }

bool ReadMpegFileTags(PlayerEngine&, const std::wstring& path, TagInfo& tags) {
    return IsMpegFile(path) && ReadMpegTags(path, tags);
}

}  // namespace

const SourceOps kMpegSource = {
    kSourceMpeg,       "mpeg",     OpenMpeg,    SeekMpeg,         DecodeStepMpeg, nullptr, ClearMpegForSeek,
    RewindMpeg,        nullptr,    GetMpegTags, ReadMpegFileTags, nullptr,
};

}  // namespace vl
