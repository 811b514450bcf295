#include "support/ogg_fixtures.h"

#include "support/shell_quote.h"
#include "support/test_support.h"

namespace vl::test {

std::string MakeOggFile(const std::string& dir, const std::string& name, int sampleRate, int channels,
                        double seconds, const std::vector<std::string>& comments, int serial) {
    const std::string wav = dir + "/" + name + ".src.wav";
    const std::string ogg = dir + "/" + name;
    std::string synth = channels == 1 ? "sine 220-3000" : "sine 220-3000 sine 330-1800";
    std::string cmd = "sox -q -n -r " + std::to_string(sampleRate) + " -c " + std::to_string(channels) +
                      " -b 16 " + ShellQuote(wav) + " synth " + std::to_string(seconds) + " " + synth + " vol 0.5";
    if (RunCommand(cmd) != 0) return "";
    cmd = "oggenc -Q -q 2";
    if (serial >= 0) cmd += " -s " + std::to_string(serial);
    for (const auto& c : comments) cmd += " -c " + ShellQuote(c);
    cmd += " -o " + ShellQuote(ogg) + " " + ShellQuote(wav);
    if (RunCommand(cmd) != 0) return "";
    return ogg;
}

std::string MakeChainedOgg(const std::string& dir, const std::string& name, const std::vector<OggLink>& links,
                           std::vector<PcmData>* refs) {
    std::string bytes;
    for (size_t i = 0; i < links.size(); ++i) {
        const OggLink& l = links[i];
        std::string link = MakeOggFile(dir, name + ".link" + std::to_string(i) + ".ogg", l.sampleRate, l.channels,
                                       l.seconds, {}, static_cast<int>(1000 + i));
        if (link.empty()) return "";
        if (refs) {
            refs->emplace_back();
            if (!DecodeOggReference(link, refs->back())) return "";
        }
        bytes += ReadFile(link);
    }
    const std::string path = dir + "/" + name;
    return WriteFile(path, bytes) ? path : "";
}

bool DecodeOggReference(const std::string& oggPath, PcmData& pcm) {
    const std::string out = oggPath + ".ref.wav";
    if (RunCommand("oggdec -Q -b 16 -o " + ShellQuote(out) + " " + ShellQuote(oggPath)) != 0) return false;
    return ReadWav(out, pcm);
}

}  // namespace vl::test
