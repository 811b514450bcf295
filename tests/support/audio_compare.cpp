#include "support/audio_compare.h"

#include <algorithm>
#include <cmath>

#include "support/shell_quote.h"
#include "support/test_support.h"

namespace vl::test {

bool ReferenceDecode(const std::string& path, PcmData& out) {
    std::string wav = TempDir() + "/reference.wav";
    std::string ext = path.size() > 4 ? path.substr(path.size() - 4) : "";
    std::string cmd = (ext == ".mp3" || ext == ".mp2" || ext == ".mpa")
                          ? "mpg123 -q --no-gapless -w " + ShellQuote(wav) + " " + ShellQuote(path)
                          : "ffmpeg -v error -y -i " + ShellQuote(path) + " -c:a pcm_s16le " + ShellQuote(wav);
    if (RunCommand(cmd + " 2>/dev/null") != 0) return false;
    return ReadWav(wav, out);
}

double SnrDb(const PcmData& ref, const PcmData& test, long offset, size_t from, size_t count) {
    if (ref.channels != test.channels || ref.channels == 0 || ref.bits != 16 || test.bits != 16) return -1000;
    const int ch = ref.channels;
    long begin = std::max<long>({0, offset, static_cast<long>(from)});
    long end = std::min<long>(static_cast<long>(ref.Frames()), static_cast<long>(test.Frames()) + offset);
    if (count) end = std::min<long>(end, static_cast<long>(from + count));
    if (end <= begin) return -1000;
    double signal = 0, noise = 0;
    for (long f = begin; f < end; ++f) {
        for (int c = 0; c < ch; ++c) {
            double r = ref.Sample16(static_cast<size_t>(f), c);
            double t = test.Sample16(static_cast<size_t>(f - offset), c);
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
