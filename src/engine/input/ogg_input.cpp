#include "engine/input/ogg_input.h"

#include <cstdint>
#include <cstdio>
#include <memory>

#include <tremor/ivorbisfile.h>

#include "engine/input/source.h"
#include "engine/player_engine.h"
#include "platform/text.h"

namespace vl {

struct OggFile {
    OggVorbis_File vf{};
    int links = 0;  // leading links in the first link's format: the part that plays
};

void OggFileDeleter::operator()(OggFile* file) const {
    ov_clear(&file->vf);
    delete file;
}

namespace {

// ov_read never gets less room than this, so a call always has space for a whole block.
constexpr uint32_t kMinReadRoom = 4096;

size_t ReadCallback(void* ptr, size_t size, size_t count, void* source) {
    return std::fread(ptr, size, count, static_cast<FILE*>(source));
}

int SeekCallback(void* source, ogg_int64_t offset, int whence) {
    return fseeko(static_cast<FILE*>(source), static_cast<off_t>(offset), whence);
}

int CloseCallback(void* source) { return std::fclose(static_cast<FILE*>(source)); }

long TellCallback(void* source) { return static_cast<long>(ftello(static_cast<FILE*>(source))); }

const ov_callbacks kFileCallbacks = {ReadCallback, SeekCallback, CloseCallback, TellCallback};

FILE* OpenFile(const std::wstring& path) {
    if (path.empty()) return nullptr;
    return std::fopen(NativePath(path).c_str(), "rb");
}

// Opens the file and its decoder; on failure nothing stays open. The file is closed by
// ov_clear once this succeeds.
bool OpenVorbisFile(const std::wstring& path, OggVorbis_File& vf) {
    FILE* file = OpenFile(path);
    if (!file) return false;
    if (ov_open_callbacks(file, &vf, nullptr, 0, kFileCallbacks) < 0) {
        std::fclose(file);
        return false;
    }
    return true;
}

}  // namespace

bool IsOggFile(const std::wstring& path) {
    FILE* file = OpenFile(path);
    if (!file) return false;
    OggVorbis_File vf{};
    if (ov_test_callbacks(file, &vf, nullptr, 0, kFileCallbacks) != 0) {
        std::fclose(file);
        return false;
    }
    ov_clear(&vf);
    return true;
}

bool OpenOgg(PlayerEngine& engine, const std::wstring& path) {
    CloseOgg(engine);
    auto ogg = std::make_unique<OggFile>();
    if (!OpenVorbisFile(path, ogg->vf)) return false;
    engine.oggFile.reset(ogg.release());
    OggFile* file = engine.oggFile.get();
    OggVorbis_File* vf = &file->vf;
    // Opening a chained file leaves the decoder in its last link: start at the first.
    if (ov_raw_seek(vf, 0) != 0) {
        CloseOgg(engine);
        return false;
    }
    const ogg_int64_t total = ov_pcm_total(vf, -1);
    const vorbis_info* info = ov_info(vf, 0);
    // No length (including an error for a stream that cannot seek) means the file is not taken.
    if (total <= 0 || !info || info->channels <= 0 || info->rate <= 0) {
        CloseOgg(engine);
        return false;
    }
    // A chained file plays up to the first link of another channel count or rate: the output
    // is opened for one format.
    ogg_int64_t playable = 0;
    const long links = ov_streams(vf);
    file->links = 0;
    for (long i = 0; i < links; ++i) {
        const vorbis_info* link = ov_info(vf, static_cast<int>(i));
        if (!link || link->channels != info->channels || link->rate != info->rate) break;
        const ogg_int64_t length = ov_pcm_total(vf, static_cast<int>(i));
        if (length > 0) playable += length;
        file->links = static_cast<int>(i) + 1;
    }
    if (file->links == 0 || playable <= 0) playable = total;
    engine.totalSamples = playable > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<uint32_t>(playable);
    engine.format = FormatRecord{};
    engine.format.channels = info->channels;
    engine.format.sampleRate = static_cast<int32_t>(info->rate);
    engine.format.bitrate = info->bitrate_nominal > 0 ? static_cast<int32_t>(info->bitrate_nominal / 1000) : 0;
    return true;
}

void CloseOgg(PlayerEngine& engine) { engine.oggFile.reset(); }

bool SeekOgg(PlayerEngine& engine, int ms) {
    OggFile* ogg = engine.oggFile.get();
    if (!ogg || engine.format.sampleRate <= 0) return false;
    const int64_t target = static_cast<int64_t>(ms) * engine.format.sampleRate / 1000;
    // The start is the first byte; in a chained file the decoder's own answer for it is the
    // length of the first link.
    if (target == 0 ? ov_raw_seek(&ogg->vf, 0) != 0 : ov_pcm_seek_page(&ogg->vf, target) != 0) return false;
    const ogg_int64_t reached = target == 0 ? 0 : ov_pcm_tell(&ogg->vf);
    engine.SeekReached(reached > 0 ? static_cast<uint32_t>(reached) : 0u);
    return true;
}

void RewindOgg(PlayerEngine& engine) {
    if (engine.oggFile) SeekOgg(engine, 0);
}

int DecodeStepOgg(PlayerEngine& engine) {
    OggFile* ogg = engine.oggFile.get();
    if (!ogg) return kDecodeError;
    // Buffers smaller than the usual read room (low rates, mono) are filled by one read each.
    const uint32_t room = engine.outputBufferSize < kMinReadRoom ? engine.outputBufferSize : kMinReadRoom;
    if (room == 0) return kDecodeError;
    while (!engine.stopRequested) {
        if (engine.HasPendingBuffer() && engine.PendingRoom() < room) engine.SubmitPending();
        if (!engine.HasPendingBuffer()) {
            if (engine.endReached) return kDecodeEnded;
            if (!engine.EnsurePendingBuffer()) return engine.stopRequested ? kDecodeStopped : kDecodeError;
            if (engine.seekRequested) continue;
        }
        if (engine.BeginDecodePass() != DecodePass::kRun) continue;
        int link = 0;
        long n = ov_read(&ogg->vf, reinterpret_cast<char*>(engine.PendingSpace()),
                         static_cast<int>(engine.PendingRoom()), &link);
        if (n > 0 && ogg->links > 0 && link >= ogg->links) n = 0;  // a link of another format
        if (n > 0) engine.CommitPending(static_cast<uint32_t>(n), true);
        engine.EndDecodePass();
        if (n == 0) return kDecodeEnded;
        if (n < 0) return kDecodeError;  // any decode error, a hole in the data included
    }
    return kDecodeStopped;
}

bool ReadOggComments(PlayerEngine& engine, OggComments& slots) {
    slots = OggComments{};
    if (!engine.oggFile) return false;
    ReadOggComments(ov_comment(&engine.oggFile->vf, -1), slots);
    return true;
}

bool GetOggTags(PlayerEngine& engine, TagInfo& tags) {
    OggComments slots;
    if (!ReadOggComments(engine, slots)) return false;
    CommentsToTags(slots, tags);
    return true;
}

bool ReadOggFileTags(const std::wstring& path, TagInfo& tags) {
    OggVorbis_File vf{};
    if (!OpenVorbisFile(path, vf)) return false;
    OggComments slots;
    ReadOggComments(ov_comment(&vf, -1), slots);
    ov_clear(&vf);
    CommentsToTags(slots, tags);
    return true;
}

const SourceOps kOggSource = {
    kSourceOgg, "ogg", OpenOgg, SeekOgg, DecodeStepOgg, nullptr, nullptr, RewindOgg, CloseOgg, GetOggTags,
    [](PlayerEngine&, const std::wstring& path, TagInfo& tags) { return ReadOggFileTags(path, tags); },
    nullptr,
};

}  // namespace vl
