#pragma once
// libmad wrapper: decodes one frame at a time into PCM, with the subband equalizer.
#include <cstdint>
#include <mutex>

#include <mad.h>

#include "engine/types.h"

namespace vl {

class MpegDecoder {
public:
    enum Result { kFrameDone = 0, kNeedInput = 1, kOutputFull = 2, kRecoverable = -1, kFatal = -2 };

    static MpegDecoder* Create();
    void Destroy();
    void SetEqualizer(const EqualizerParams& params);
    int Decode(const uint8_t* in, uint32_t inLen, uint8_t* out, uint32_t outBytes,
               uint32_t& consumed, uint32_t& produced, int bits, int halfRate);
    const int32_t* Gains() const { return gains_; }
    // Samples of the last frame still waiting for output room.
    bool HasPending() const { return pendingSamples_ > 0; }
    // Channels written per sample (0 = as decoded): a stream that switches between mono and
    // stereo keeps the layout the output was opened with.
    void SetOutputChannels(int channels) { outChannels_ = channels; }

private:
    MpegDecoder() = default;
    ~MpegDecoder() = default;
    void Equalize();
    uint32_t WriteSamples(uint8_t* out, uint32_t from, uint32_t count, int bits);
    int OutChannels() const;

    mad_stream stream_;
    mad_frame frame_;
    mad_synth synth_;
    int clipStats_[3] = {};
    int eqEnabled_ = 0;
    uint32_t pendingSamples_ = 0;
    int32_t gains_[32];
    int outChannels_ = 0;
    std::mutex eqLock_;  // gains are set from the user-interface thread
};

// PCM conversion of one Q28 sample to `bits` (8 unsigned, 16/24/32 signed).
int32_t ScaleSample(mad_fixed_t sample, int bits);

// Q28 gain per subband for the parameters.
void ComputeSubbandGains(const EqualizerParams& params, int32_t gains[32]);

}  // namespace vl
