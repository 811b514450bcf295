#include "support/wav_file.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace vl::test {

int16_t PcmData::Sample16(size_t frame, int channel) const {
    size_t i = (frame * channels + channel) * 2;
    return static_cast<int16_t>(bytes[i] | (bytes[i + 1] << 8));
}

namespace {
void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Put16(std::string& s, uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
uint32_t Get32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
}  // namespace

bool WriteWav(const std::string& path, const PcmData& pcm) {
    std::string s = "RIFF";
    Put32(s, static_cast<uint32_t>(36 + pcm.bytes.size()));
    s += "WAVEfmt ";
    Put32(s, 16);
    Put16(s, 1);
    Put16(s, static_cast<uint16_t>(pcm.channels));
    Put32(s, static_cast<uint32_t>(pcm.sampleRate));
    Put32(s, static_cast<uint32_t>(pcm.sampleRate * pcm.channels * pcm.bits / 8));
    Put16(s, static_cast<uint16_t>(pcm.channels * pcm.bits / 8));
    Put16(s, static_cast<uint16_t>(pcm.bits));
    s += "data";
    Put32(s, static_cast<uint32_t>(pcm.bytes.size()));
    s.append(reinterpret_cast<const char*>(pcm.bytes.data()), pcm.bytes.size());
    std::ofstream out(path, std::ios::binary);
    out.write(s.data(), static_cast<std::streamsize>(s.size()));
    return static_cast<bool>(out);
}

bool ReadWav(const std::string& path, PcmData& pcm) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (d.size() < 12 || std::memcmp(d.data(), "RIFF", 4) != 0 || std::memcmp(d.data() + 8, "WAVE", 4) != 0)
        return false;
    size_t pos = 12;
    bool haveFmt = false;
    while (pos + 8 <= d.size()) {
        uint32_t size = Get32(&d[pos + 4]);
        const uint8_t* body = &d[pos + 8];
        size_t avail = d.size() - pos - 8;
        if (std::memcmp(&d[pos], "fmt ", 4) == 0 && avail >= 16) {
            pcm.channels = Get16(body + 2);
            pcm.sampleRate = static_cast<int>(Get32(body + 4));
            pcm.bits = Get16(body + 14);
            haveFmt = true;
        } else if (std::memcmp(&d[pos], "data", 4) == 0) {
            size_t n = size < avail ? size : avail;
            pcm.bytes.assign(body, body + n);
            return haveFmt;
        }
        pos += 8 + static_cast<size_t>(size) + (size & 1);
    }
    return false;
}

PcmData MakeTone(int sampleRate, int channels, double seconds, double frequency, double leadingSilence,
                 double trailingSilence, double amplitude) {
    PcmData pcm;
    pcm.channels = channels;
    pcm.sampleRate = sampleRate;
    pcm.bits = 16;
    size_t lead = static_cast<size_t>(leadingSilence * sampleRate);
    size_t tone = static_cast<size_t>(seconds * sampleRate);
    size_t trail = static_cast<size_t>(trailingSilence * sampleRate);
    size_t frames = lead + tone + trail;
    pcm.bytes.resize(frames * channels * 2);
    for (size_t f = 0; f < frames; ++f) {
        double v = 0;
        if (f >= lead && f < lead + tone)
            v = amplitude * 32767.0 * std::sin(2 * M_PI * frequency * static_cast<double>(f - lead) / sampleRate);
        int16_t s = static_cast<int16_t>(std::lround(v));
        for (int c = 0; c < channels; ++c) {
            size_t i = (f * channels + c) * 2;
            pcm.bytes[i] = static_cast<uint8_t>(s & 0xFF);
            pcm.bytes[i + 1] = static_cast<uint8_t>((s >> 8) & 0xFF);
        }
    }
    return pcm;
}

}  // namespace vl::test
