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

}  // namespace vl
