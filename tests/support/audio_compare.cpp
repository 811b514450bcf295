#include "support/audio_compare.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "support/test_support.h"

namespace vl::test {

namespace {

uint32_t Le32(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
           uint32_t(uint8_t(s[at + 3])) << 24;
}
uint16_t Le16(const std::string& s, size_t at) { return uint16_t(uint8_t(s[at]) | uint8_t(s[at + 1]) << 8); }

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace

bool ReadWav(const std::string& path, PcmData& out) {
    out = PcmData();
    std::string s = ReadFile(path);
    if (s.size() < 12 || s.compare(0, 4, "RIFF") != 0 || s.compare(8, 4, "WAVE") != 0) return false;
    int bits = 0;
    size_t at = 12;
    while (at + 8 <= s.size()) {
        std::string id = s.substr(at, 4);
        size_t size = Le32(s, at + 4);
        size_t body = at + 8;
        if (id == "fmt " && body + 16 <= s.size()) {
            out.channels = Le16(s, body + 2);
            out.sampleRate = static_cast<int>(Le32(s, body + 4));
            bits = Le16(s, body + 14);
        } else if (id == "data") {
            if (!out.channels || (bits != 8 && bits != 16 && bits != 24 && bits != 32)) return false;
            // A writer that never patched the sizes leaves 0 or too much: take what is there.
            size_t end = (size == 0 || body + size > s.size()) ? s.size() : body + size;
            size_t width = static_cast<size_t>(bits / 8);
            for (size_t p = body; p + width <= end; p += width) {
                int32_t v;
                if (bits == 8) v = (int32_t(uint8_t(s[p])) - 128) << 8;
                else v = int32_t(uint32_t(Le16(s, p + width - 2)) << 16) >> 16;
                out.samples.push_back(static_cast<int16_t>(v));
            }
            return true;
        }
        at = body + size + (size & 1);
    }
    return false;
}

bool ReferenceDecode(const std::string& path, PcmData& out) {
    std::string wav = TempDir() + "/reference.wav";
    std::string ext = path.size() > 4 ? path.substr(path.size() - 4) : "";
    std::string cmd = (ext == ".mp3" || ext == ".mp2" || ext == ".mpa")
                          ? "mpg123 -q -w " + Quote(wav) + " " + Quote(path)
                          : "ffmpeg -v error -y -i " + Quote(path) + " -c:a pcm_s16le " + Quote(wav);
    if (RunCommand(cmd + " 2>/dev/null") != 0) return false;
    return ReadWav(wav, out);
}

double SnrDb(const PcmData& ref, const PcmData& test, long offset, size_t from, size_t count) {
    if (ref.channels != test.channels || ref.channels == 0) return -1000;
    const long ch = ref.channels;
    long begin = std::max<long>({0, offset, static_cast<long>(from)});
    long end = std::min<long>(static_cast<long>(ref.Frames()), static_cast<long>(test.Frames()) + offset);
    if (count) end = std::min<long>(end, static_cast<long>(from + count));
    if (end <= begin) return -1000;
    double signal = 0, noise = 0;
    for (long f = begin; f < end; ++f) {
        for (long c = 0; c < ch; ++c) {
            double r = ref.samples[f * ch + c];
            double t = test.samples[(f - offset) * ch + c];
            signal += r * r;
            noise += (r - t) * (r - t);
        }
    }
    if (noise == 0) return 200;
    if (signal == 0) return -1000;
    return 10 * std::log10(signal / noise);
}

Alignment Align(const PcmData& ref, const PcmData& test, long maxOffset, long center) {
    Alignment best;
    // A stretch past the encoder delay, long enough to hold several frames.
    const size_t from = static_cast<size_t>(std::max<long>(0, center + maxOffset + 2048));
    const size_t count = 4096;
    double bestProbe = -1e9;
    for (long off = center - maxOffset; off <= center + maxOffset; ++off) {
        double snr = SnrDb(ref, test, off, from, count);
        if (snr > bestProbe) {
            bestProbe = snr;
            best.offset = off;
        }
    }
    best.snrDb = SnrDb(ref, test, best.offset);
    return best;
}

}  // namespace vl::test
