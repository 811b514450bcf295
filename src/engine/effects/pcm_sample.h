#pragma once
// Sample access shared by the effects: 16-bit samples may sit at odd addresses inside a
// buffer, and 8-bit samples are unsigned around 128.
#include <algorithm>
#include <cstdint>
#include <cstring>

namespace vl {

inline int32_t ReadPcm16(const uint8_t* p) {
    int16_t s;
    std::memcpy(&s, p, sizeof s);
    return s;
}

inline void WritePcm16(uint8_t* p, int32_t v) {
    int16_t s = static_cast<int16_t>(v);
    std::memcpy(p, &s, sizeof s);
}

inline int32_t Clamp16(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, -32768, 32767)); }

// 8-bit sample to the 16-bit range: (s - 128) << 8.
inline int32_t Pcm8To16(uint8_t s) { return (static_cast<int32_t>(s) - 128) * 256; }

// A 16-bit value back to an 8-bit sample around 128.
inline uint8_t Pcm16To8(int32_t v) { return static_cast<uint8_t>(std::clamp<int32_t>((v >> 8) + 128, 0, 255)); }

// Loops over samples also get an AVX2 build, picked at load time on processors that have it:
// the baseline x86-64 vector set has no 32-bit multiply. Elsewhere the one portable build, and
// under the thread checker too, whose runtime is not ready when the load-time choice runs.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define VL_SAMPLE_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define VL_SAMPLE_LOOP
#endif

// Runs fn(int16_t* samples, uint32_t count) over 16-bit PCM through an aligned local copy of
// at most kPcmChunk samples at a time (an even number, so stereo chunks hold whole frames).
// The effects' inner loops then work on a plain typed array that the compiler can vectorise,
// whatever the address of the buffer's bytes.
constexpr uint32_t kPcmChunk = 1024;

template <typename Fn>
void ForEachChunk16(uint8_t* data, uint32_t samples, Fn fn) {
    alignas(32) int16_t chunk[kPcmChunk];
    while (samples > 0) {
        const uint32_t n = samples < kPcmChunk ? samples : kPcmChunk;
        std::memcpy(chunk, data, n * sizeof(int16_t));
        fn(chunk, n);
        std::memcpy(data, chunk, n * sizeof(int16_t));
        data += n * sizeof(int16_t);
        samples -= n;
    }
}

inline int32_t Clamp16(int32_t v) { return std::clamp<int32_t>(v, -32768, 32767); }

}  // namespace vl
