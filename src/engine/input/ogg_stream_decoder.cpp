#include "engine/input/ogg_stream_decoder.h"

#include <algorithm>
#include <new>

namespace vl {

OggStreamDecoder::OggStreamDecoder() { ogg_sync_init(&sync_); }

OggStreamDecoder::~OggStreamDecoder() {
    EndStream();
    ogg_sync_clear(&sync_);
}

OggStreamDecoder* OggStreamDecoder::Create() {
    auto* decoder = new (std::nothrow) OggStreamDecoder();
    if (!decoder) return nullptr;
    decoder->window_ = reinterpret_cast<uint8_t*>(ogg_sync_buffer(&decoder->sync_, kInputSize));
    decoder->wanted_ = kInputSize;
    if (!decoder->window_) {
        delete decoder;
        return nullptr;
    }
    return decoder;
}

void OggStreamDecoder::Destroy(OggStreamDecoder* decoder) { delete decoder; }

void OggStreamDecoder::Accept(int supplied) {
    if (wanted_ == 0) return;
    ogg_sync_wrote(&sync_, std::clamp(supplied, 0, wanted_));
    wanted_ = 0;
}

int OggStreamDecoder::NeedInput() {
    window_ = reinterpret_cast<uint8_t*>(ogg_sync_buffer(&sync_, kInputSize));
    if (!window_) {
        wanted_ = 0;
        headerCount_ = -1;
        return kError;
    }
    wanted_ = kInputSize;
    return kNeedInput;
}

bool OggStreamDecoder::Start(int supplied) {
    Accept(supplied);
    if (ogg_sync_pageout(&sync_, &page_) == 1 && BeginStream()) {
        NeedInput();
        return window_ != nullptr;
    }
    // Not the start of a Vorbis stream: forget these bytes and wait for the next ones.
    EndStream();
    ogg_sync_reset(&sync_);
    headerCount_ = 0;
    NeedInput();
    return false;
}

bool OggStreamDecoder::BeginStream() {
    EndStream();
    ogg_stream_init(&stream_, ogg_page_serialno(&page_));
    vorbis_info_init(&info_);
    vorbis_comment_init(&comment_);
    streamOpen_ = true;
    newStream_ = 0;
    lastPageEos_ = ogg_page_eos(&page_) != 0;
    if (ogg_stream_pagein(&stream_, &page_) < 0 || ogg_stream_packetout(&stream_, &packet_) != 1 ||
        vorbis_synthesis_headerin(&info_, &comment_, &packet_) < 0) {
        headerCount_ = -1;
        return false;
    }
    headerCount_ = 0;
    return ReadHeaders() >= 0;
}

int OggStreamDecoder::ReadHeaders() {
    if (headerCount_ >= 2) return 1;
    if (headerCount_ < 0 || !streamOpen_) return -1;
    for (;;) {
        // The comment and setup headers may share the first page or follow on later ones.
        while (headerCount_ < 2) {
            int r = ogg_stream_packetout(&stream_, &packet_);
            if (r == 0) break;
            if (r < 0 || vorbis_synthesis_headerin(&info_, &comment_, &packet_) < 0) {
                headerCount_ = -1;
                return -1;
            }
            ++headerCount_;
        }
        if (headerCount_ >= 2) {
            if (vorbis_synthesis_init(&dsp_, &info_) != 0) {
                headerCount_ = -1;
                return -1;
            }
            vorbis_block_init(&dsp_, &block_);
            synthesisOpen_ = true;
            return 1;
        }
        int p = ogg_sync_pageout(&sync_, &page_);
        if (p == 0) return 0;
        if (p != 1 || ogg_stream_pagein(&stream_, &page_) < 0) {
            headerCount_ = -1;
            return -1;
        }
        lastPageEos_ = ogg_page_eos(&page_) != 0;
    }
}

void OggStreamDecoder::EndStream() {
    if (synthesisOpen_) {
        vorbis_block_clear(&block_);
        vorbis_dsp_clear(&dsp_);
        synthesisOpen_ = false;
    }
    if (streamOpen_) {
        vorbis_comment_clear(&comment_);
        vorbis_info_clear(&info_);
        ogg_stream_clear(&stream_);
        streamOpen_ = false;
    }
    pendingSamples_ = 0;
    headerCount_ = 0;
    lastPageEos_ = false;
}

int OggStreamDecoder::BeginNextStream() {
    if (!pageHeld_) {
        int p = ogg_sync_pageout(&sync_, &page_);
        if (p == 0) return 0;
        if (p < 0) return -1;
    }
    pageHeld_ = false;
    return BeginStream() ? 1 : -1;
}

bool OggStreamDecoder::NextStream() {
    int r = BeginNextStream();
    if (r == 0) return NeedInput() == kNeedInput;
    return r > 0;
}

void OggStreamDecoder::GetInfo(OggStreamInfo& info) const {
    info.version = info_.version;
    info.channels = info_.channels;
    info.rate = info_.rate;
    info.bitrateUpper = info_.bitrate_upper;
    info.bitrateNominal = info_.bitrate_nominal;
    info.bitrateLower = info_.bitrate_lower;
    info.bitrateWindow = info_.bitrate_window;
}

void OggStreamDecoder::GetComments(OggComments& slots) const {
    ReadOggComments(streamOpen_ ? &comment_ : nullptr, slots);
}

// Moves decoded frames into out (Tremor's samples >> 9, clamped); false when out is full
// before every decoded frame is taken.
bool OggStreamDecoder::DrainPcm(uint8_t* out, uint32_t outBytes, uint32_t& written) {
    const int channels = info_.channels;
    const uint32_t frameBytes = static_cast<uint32_t>(channels) * 2;
    ogg_int32_t** pcm = nullptr;
    int n;
    while ((n = vorbis_synthesis_pcmout(&dsp_, &pcm)) > 0) {
        const uint32_t room = (outBytes - written) / frameBytes;
        const int take = static_cast<int>(std::min<uint32_t>(room, static_cast<uint32_t>(n)));
        uint8_t* p = out + written;
        for (int i = 0; i < take; ++i) {
            for (int c = 0; c < channels; ++c) {
                int s = pcm[c][i] >> 9;
                s = std::clamp(s, -32768, 32767);
                *p++ = static_cast<uint8_t>(s);
                *p++ = static_cast<uint8_t>(s >> 8);
            }
        }
        if (take > 0) vorbis_synthesis_read(&dsp_, take);
        written += static_cast<uint32_t>(take) * frameBytes;
        if (take < n) {
            pendingSamples_ = n - take;
            return false;
        }
    }
    pendingSamples_ = 0;
    return true;
}

int OggStreamDecoder::Decode(uint8_t* out, uint32_t outBytes, uint32_t& written, int supplied) {
    written = 0;
    Accept(supplied);
    if (headerCount_ < 0) return kError;
    for (;;) {
        if (newStream_) {
            int r = BeginNextStream();
            if (r < 0) return kError;
            if (r == 0) return NeedInput();
        }
        if (!streamOpen_) return kError;  // never started
        if (headerCount_ < 2) {
            int r = ReadHeaders();
            if (r < 0) return kError;
            if (r == 0) return NeedInput();
        }
        if (!DrainPcm(out, outBytes, written)) return kOutputFull;  // wanted_ stays 0

        int r = ogg_stream_packetout(&stream_, &packet_);
        if (r > 0) {
            if (vorbis_synthesis(&block_, &packet_) == 0) vorbis_synthesis_blockin(&dsp_, &block_);
            continue;
        }
        if (r < 0) continue;  // a gap in the packets: decoding goes on after it

        // Every packet of the current page is decoded.
        if (lastPageEos_) {
            EndStream();
            newStream_ = 1;
            // Hand on what belongs to the ended stream before the next one begins.
            if (written > 0) return kOutputFull;
            continue;
        }
        int p = ogg_sync_pageout(&sync_, &page_);
        if (p == 0) return NeedInput();
        if (p < 0) {
            headerCount_ = -1;
            return kError;
        }
        if (ogg_page_serialno(&page_) != stream_.serialno) {
            // A new stream without an end page before it: the page starts the next stream.
            EndStream();
            newStream_ = 1;
            pageHeld_ = true;
            if (written > 0) return kOutputFull;
            continue;
        }
        if (ogg_stream_pagein(&stream_, &page_) < 0) {
            headerCount_ = -1;
            return kError;
        }
        lastPageEos_ = ogg_page_eos(&page_) != 0;
    }
}

}  // namespace vl
