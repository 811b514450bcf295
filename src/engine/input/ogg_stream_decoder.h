#pragma once
// Push decoder for Ogg Vorbis streams: the caller copies stream bytes into the decoder's input
// window and takes 16-bit little-endian interleaved PCM out. Chained streams (one logical
// stream after another, as radio stations send at a title change) follow one another.
//
// Use: Create; copy up to Wanted() bytes to InputWindow() and call Start (repeat with fresh
// bytes while it fails); then call Decode: 1 = the output is full (or a logical stream ended):
// hand it on and call again without new input; 0 = copy the next Wanted() bytes to
// InputWindow() and call again; -2 = error. GetComments may change after any call.
#include <cstdint>

#include <ogg/ogg.h>
#include <tremor/ivorbiscodec.h>

#include "engine/input/vorbis_comments.h"

namespace vl {

struct OggStreamInfo {
    int version = 0;
    int channels = 0;
    long rate = 0;
    long bitrateUpper = 0;
    long bitrateNominal = 0;
    long bitrateLower = 0;
    long bitrateWindow = 0;
};

class OggStreamDecoder {
public:
    static constexpr int kInputSize = 4096;
    enum { kOutputFull = 1, kNeedInput = 0, kError = -2 };

    static OggStreamDecoder* Create();  // null when memory runs out
    static void Destroy(OggStreamDecoder* decoder);

    uint8_t* InputWindow() const { return window_; }
    // Bytes wanted in the window before the next call; 0 while output is still pending.
    int Wanted() const { return wanted_; }

    // The window holds the stream's first bytes (`supplied` of them, at most Wanted()). True
    // when they begin with a page of a Vorbis stream; on false the decoder starts over.
    bool Start(int supplied = kInputSize);
    // 1 all three headers are in, 0 more data is needed, -1 error.
    int ReadHeaders();
    void GetInfo(OggStreamInfo& info) const;
    void GetComments(OggComments& slots) const;
    // `supplied`: the bytes copied into the window (at most Wanted()); ignored while Wanted()
    // is 0. written: the PCM bytes put into out.
    int Decode(uint8_t* out, uint32_t outBytes, uint32_t& written, int supplied = kInputSize);
    // Begins the next logical stream from the data already in; true when it began or waits
    // for more data.
    bool NextStream();

private:
    OggStreamDecoder();
    ~OggStreamDecoder();
    OggStreamDecoder(const OggStreamDecoder&) = delete;
    OggStreamDecoder& operator=(const OggStreamDecoder&) = delete;

    bool BeginStream();  // from the page in page_
    int BeginNextStream();
    void EndStream();
    int NeedInput();
    bool DrainPcm(uint8_t* out, uint32_t outBytes, uint32_t& written);
    void Accept(int supplied);

    ogg_sync_state sync_{};
    ogg_stream_state stream_{};
    ogg_page page_{};
    ogg_packet packet_{};
    vorbis_info info_{};
    vorbis_comment comment_{};
    vorbis_dsp_state dsp_{};
    vorbis_block block_{};
    bool streamOpen_ = false;  // stream_, info_ and comment_ initialised
    bool synthesisOpen_ = false;  // dsp_ and block_ initialised
    int headerCount_ = 0;  // -1 error, 0..1 while headers arrive, 2 when all three are in
    int newStream_ = 0;    // the last page ended a logical stream
    bool pageHeld_ = false;  // page_ is the first page of the next stream
    bool lastPageEos_ = false;
    int pendingSamples_ = 0;  // decoded frames that did not fit the last output
    uint8_t* window_ = nullptr;
    int wanted_ = 0;
};

}  // namespace vl
