#include "engine/input/wav_input.h"

#include <algorithm>
#include <cstring>

#include "engine/input/source.h"
#include "engine/player_engine.h"

namespace vl {

namespace {

bool ReadExact(FileReader& reader, void* buffer, uint32_t count) {
    uint32_t got = 0;
    return reader.Read(buffer, count, got) && got == count;
}

bool ReadU32(FileReader& reader, uint32_t& value) {
    uint8_t b[4];
    if (!ReadExact(reader, b, 4)) return false;
    value = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return true;
}

bool LooksLikeChunkId(const uint8_t id[4]) {
    for (int i = 0; i < 4; ++i)
        if (id[i] < 0x20 || id[i] > 0x7E) return false;
    return true;
}

// Walks the chunk list by sizes from the chunk whose id was just read until a "data" chunk:
// the word "data" inside another chunk (a LIST text) is not one. An odd-sized chunk is
// followed by a pad byte in most files but not in all: the id tells which.
bool FindDataChunk(FileReader& reader, uint8_t id[4]) {
    while (std::memcmp(id, "data", 4) != 0) {
        uint32_t size = 0;
        if (!ReadU32(reader, size)) return false;
        const int64_t next = reader.Tell();
        if (next == kNoPosition || reader.Seek(next + size, FILE_BEGIN) == kNoPosition) return false;
        if (!ReadExact(reader, id, 4)) return false;
        if ((size & 1) && !LooksLikeChunkId(id)) {
            if (reader.Seek(next + size + 1, FILE_BEGIN) == kNoPosition || !ReadExact(reader, id, 4)) return false;
        }
    }
    return true;
}

bool ParseWav(PlayerEngine& engine, WavState& wav) {
    FileReader& reader = engine.fileReader;
    uint8_t id[4];
    uint32_t size = 0;
    if (reader.Seek(0, FILE_BEGIN) != 0) return false;
    if (!ReadExact(reader, id, 4) || std::memcmp(id, "RIFF", 4) != 0) return false;
    if (!ReadU32(reader, size)) return false;
    if (!ReadExact(reader, id, 4) || std::memcmp(id, "WAVE", 4) != 0) return false;

    // Chunks before "fmt " are skipped without pad bytes.
    if (!ReadExact(reader, id, 4)) return false;
    while (std::memcmp(id, "fmt ", 4) != 0) {
        if (!ReadU32(reader, size)) return false;
        if (reader.Seek(size, FILE_CURRENT) == kNoPosition) return false;
        if (!ReadExact(reader, id, 4)) return false;
    }
    if (!ReadU32(reader, size)) return false;
    // A format chunk is small; a huge size is garbage, not a reason to allocate gigabytes.
    if (size < 16 || size > 65536) return false;
    wav.sourceFormat.assign(size, 0);
    if (!ReadExact(reader, wav.sourceFormat.data(), size)) return false;
    wav.source = ParseWaveFormat(wav.sourceFormat);
    if (wav.source.nBlockAlign > 4096 || wav.source.nBlockAlign == 0 || wav.source.nChannels == 0 ||
        wav.source.nSamplesPerSec == 0)
        return false;

    if (wav.source.wFormatTag == WAVE_FORMAT_PCM) {
        if (wav.source.wBitsPerSample != 8 && wav.source.wBitsPerSample != 16) {
            // Wider PCM is converted to 16 bits.
            if (!AcmFormatSuggest(wav.sourceFormat, wav.destination)) return false;
        } else {
            wav.destination = wav.source;
            wav.destination.cbSize = 0;
        }
    } else {
        WaveFormatEx suggestion;
        suggestion.wFormatTag = WAVE_FORMAT_PCM;
        if (!AcmFormatSuggest(wav.sourceFormat, suggestion)) return false;
        wav.destination = suggestion;
    }

    uint32_t factSamples = 0;
    bool haveFact = false;
    if (!ReadExact(reader, id, 4)) return false;
    if (std::memcmp(id, "fact", 4) == 0) {
        if (!ReadU32(reader, size) || size != 4) return false;
        if (!ReadU32(reader, factSamples)) return false;
        haveFact = true;
        if (!ReadExact(reader, id, 4)) return false;
    }
    int64_t dataSize = 0;
    for (;;) {
        if (!FindDataChunk(reader, id)) return false;
        if (!ReadU32(reader, size)) return false;
        if (size != 0) {
            dataSize = size;
            break;
        }
        // An empty "data" chunk: look for a later one.
        if (!ReadExact(reader, id, 4)) return false;
    }
    wav.dataStart = reader.Tell();
    if (wav.dataStart == kNoPosition) return false;
    int64_t fileSize = reader.GetSize();
    if (fileSize < wav.dataStart + dataSize) dataSize = fileSize - wav.dataStart;
    if (dataSize <= 0) return false;
    wav.dataSize = dataSize;

    const WaveFormatEx& src = wav.source;
    uint64_t total;
    if (src.wFormatTag == WAVE_FORMAT_PCM) {
        uint32_t frameBytes = static_cast<uint32_t>(src.wBitsPerSample) * src.nChannels / 8;
        if (frameBytes == 0) return false;
        total = static_cast<uint64_t>(dataSize) / frameBytes;
    } else if (haveFact) {
        total = factSamples;
    } else {
        if (src.nAvgBytesPerSec == 0) return false;
        total = static_cast<uint64_t>(dataSize / src.nAvgBytesPerSec) * src.nSamplesPerSec;
    }
    engine.totalSamples = static_cast<uint32_t>(std::min<uint64_t>(total, 0xFFFFFFFFu));

    wav.acmStream = AcmStreamOpen(wav.sourceFormat, wav.destination);
    if (!wav.acmStream) return false;
    wav.sourceBuffer.assign(4096, 0);
    wav.dataPosition = 0;

    engine.format = FormatRecord{};
    engine.format.channels = wav.destination.nChannels;
    engine.format.sampleRate = static_cast<int32_t>(wav.destination.nSamplesPerSec);
    engine.format.bitrate = static_cast<int32_t>((src.nAvgBytesPerSec & 0x1FFFFFFF) / 125);
    return reader.Seek(wav.dataStart, FILE_BEGIN) != kNoPosition;
}

bool IsPlainPcm(const WavState& wav) {
    return wav.source.wFormatTag == WAVE_FORMAT_PCM &&
           (wav.source.wBitsPerSample == 8 || wav.source.wBitsPerSample == 16);
}

int DecodePcm(PlayerEngine& engine, WavState& wav) {
    for (;;) {
        if (!engine.EnsurePendingBuffer()) return kDecodeError;
        if (engine.BeginDecodePass() == DecodePass::kRun) {
            int64_t left = wav.dataSize - wav.dataPosition;
            uint32_t want = static_cast<uint32_t>(std::min<int64_t>(left, engine.PendingRoom()));
            want -= want % std::max<uint32_t>(1, wav.destination.nBlockAlign);
            uint32_t got = 0;
            bool ok = want > 0 && engine.fileReader.Read(engine.PendingSpace(), want, got);
            if (!ok && want > 0 && engine.fileReader.LastError() != 0) {
                engine.EndDecodePass();
                return kDecodeError;
            }
            got -= got % std::max<uint32_t>(1, wav.destination.nBlockAlign);
            engine.CommitPending(got, true);
            wav.dataPosition += got;
            engine.EndDecodePass();
            if (!ok || got == 0) return kDecodeEnded;
            engine.SubmitPending();
            if (wav.dataPosition >= wav.dataSize || engine.endReached) return kDecodeEnded;
        }
        if (engine.stopRequested) return kDecodeStopped;
    }
}

// Hands out the rest of a converted block that did not fit one output buffer.
void TakeSpill(PlayerEngine& engine, WavState& wav) {
    uint32_t k = std::min<uint32_t>(static_cast<uint32_t>(wav.spill.size() - wav.spillUsed), engine.PendingRoom());
    std::memcpy(engine.PendingSpace(), wav.spill.data() + wav.spillUsed, k);
    engine.CommitPending(k, true);
    wav.spillUsed += k;
}

int DecodeConverted(PlayerEngine& engine, WavState& wav) {
    const uint32_t align = wav.source.nBlockAlign;
    for (;;) {
        if (engine.HasPendingBuffer()) {
            engine.SubmitPending();
            if (engine.endReached) return kDecodeEnded;
        }
        if (!engine.EnsurePendingBuffer()) return kDecodeError;
        if (engine.BeginDecodePass() != DecodePass::kRun) {
            // the seek reaction has run
        } else if (wav.spillUsed < wav.spill.size()) {
            engine.EndDecodePass();
            TakeSpill(engine, wav);
            if (wav.dataPosition >= wav.dataSize && wav.spillUsed >= wav.spill.size()) return kDecodeEnded;
        } else {
            uint32_t fit = 0;
            if (!wav.acmStream->Size(engine.PendingRoom(), fit, ACM_STREAMSIZEF_DESTINATION)) fit = 0;
            const int64_t left = wav.dataSize - wav.dataPosition;
            uint32_t n = static_cast<uint32_t>(std::min<int64_t>({static_cast<int64_t>(fit), left, 4096}));
            // Only whole blocks convert: a cut block would be consumed without being played.
            n -= n % align;
            // A block whose output is larger than a whole buffer converts on the side.
            const bool toSpill = fit < align && left >= align;
            if (toSpill) n = align;
            uint32_t got = 0;
            bool ok = n > 0 && engine.fileReader.Read(wav.sourceBuffer.data(), n, got);
            if (!ok && n > 0 && engine.fileReader.LastError() != 0) {
                engine.EndDecodePass();
                return kDecodeError;
            }
            wav.dataPosition += got;
            engine.EndDecodePass();
            if (!ok || got == 0) return kDecodeEnded;
            AcmStreamHeader header;
            header.source = wav.sourceBuffer.data();
            header.sourceLength = got;
            if (toSpill) {
                uint32_t size = 0;
                if (!wav.acmStream->Size(got, size, ACM_STREAMSIZEF_SOURCE)) return kDecodeError;
                wav.spill.assign(size, 0);
                header.destination = wav.spill.data();
                header.destinationLength = size;
            } else {
                header.destination = engine.PendingSpace();
                header.destinationLength = engine.PendingRoom();
            }
            if (!wav.acmStream->Convert(header)) return kDecodeError;
            if (toSpill) {
                wav.spill.resize(std::min<size_t>(header.destinationLengthUsed, wav.spill.size()));
                wav.spillUsed = 0;
                TakeSpill(engine, wav);
            } else {
                engine.CommitPending(header.destinationLengthUsed, true);
            }
            if (wav.dataPosition >= wav.dataSize && wav.spillUsed >= wav.spill.size()) return kDecodeEnded;
        }
        if (engine.stopRequested) return kDecodeStopped;
    }
}

}  // namespace

bool OpenWav(PlayerEngine& engine, const std::wstring& path) {
    if (!engine.fileReader.Open(path)) return false;
    engine.wav = std::make_unique<WavState>();
    if (!ParseWav(engine, *engine.wav)) {
        CloseWav(engine);
        engine.fileReader.Close();
        return false;
    }
    return true;
}

void CloseWav(PlayerEngine& engine) { engine.wav.reset(); }

bool SeekWav(PlayerEngine& engine, int ms) {
    WavState* wav = engine.wav.get();
    if (!wav) return false;
    const WaveFormatEx& src = wav->source;
    uint32_t target = static_cast<uint32_t>(src.nSamplesPerSec * ms * 0.001);
    int64_t offset;
    if (src.wFormatTag == WAVE_FORMAT_PCM) {
        offset = static_cast<int64_t>(static_cast<double>(target) * src.nChannels * src.wBitsPerSample / 8);
    } else {
        int64_t bytes = static_cast<int64_t>(src.nAvgBytesPerSec * ms * 0.001);
        offset = bytes - bytes % src.nBlockAlign;
    }
    if (engine.fileReader.Seek(wav->dataStart + offset, FILE_BEGIN) == kNoPosition) return false;
    engine.SeekReached(target);
    wav->dataPosition = offset;
    return true;
}

void RewindWav(PlayerEngine& engine) { SeekWav(engine, 0); }

int DecodeStepWav(PlayerEngine& engine) {
    if (engine.stopRequested) return kDecodeStopped;
    WavState* wav = engine.wav.get();
    if (!wav || !wav->acmStream) return kDecodeError;
    return IsPlainPcm(*wav) ? DecodePcm(engine, *wav) : DecodeConverted(engine, *wav);
}

int WavBitsPerSample(const PlayerEngine& engine) {
    return engine.wav ? engine.wav->destination.wBitsPerSample : 16;
}

namespace {

// Converted data restarts cleanly at the new position.
bool ClearWavForSeek(PlayerEngine& engine) {
    WavState* wav = engine.wav.get();
    if (wav && wav->acmStream) {
        wav->acmStream->Reset();
        wav->spill.clear();
        wav->spillUsed = 0;
    }
    return true;
}

}  // namespace

const SourceOps kWavSource = {
    kSourceWav, "wav",    OpenWav, SeekWav, DecodeStepWav, nullptr, ClearWavForSeek,
    RewindWav,  CloseWav, nullptr, nullptr, WavBitsPerSample,
};

}  // namespace vl
