#include "support/ogg_fixtures.h"

#include <cmath>

#include "support/test_support.h"

namespace vl::test {

namespace {
std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}
}  // namespace

std::string MakeOggFile(const std::string& dir, const std::string& name, int sampleRate, int channels,
                        double seconds, const std::vector<std::string>& comments) {
    const std::string wav = dir + "/" + name + ".src.wav";
    const std::string ogg = dir + "/" + name;
    std::string synth = channels == 1 ? "sine 220-3000" : "sine 220-3000 sine 330-1800";
    std::string cmd = "sox -q -n -r " + std::to_string(sampleRate) + " -c " + std::to_string(channels) +
                      " -b 16 " + Quote(wav) + " synth " + std::to_string(seconds) + " " + synth + " vol 0.5";
    if (RunCommand(cmd) != 0) return "";
    cmd = "oggenc -Q -q 2";
    for (const auto& c : comments) cmd += " -c " + Quote(c);
    cmd += " -o " + Quote(ogg) + " " + Quote(wav);
    if (RunCommand(cmd) != 0) return "";
    return ogg;
}

bool DecodeOggReference(const std::string& oggPath, PcmData& pcm) {
    const std::string out = oggPath + ".ref.wav";
    if (RunCommand("oggdec -Q -b 16 -o " + Quote(out) + " " + Quote(oggPath)) != 0) return false;
    return ReadWav(out, pcm);
}

double SnrDb(const PcmData& ref, size_t refFrame, const PcmData& got, size_t gotFrame, size_t frames) {
    double signal = 0, noise = 0;
    for (size_t f = 0; f < frames; ++f) {
        for (int c = 0; c < ref.channels; ++c) {
            double a = ref.Sample16(refFrame + f, c);
            double b = got.Sample16(gotFrame + f, c);
            signal += a * a;
            noise += (a - b) * (a - b);
        }
    }
    if (noise == 0) return 200;
    return 10 * std::log10(signal / noise);
}

}  // namespace vl::test
