// WAVE files through the engine: open (the chunk walk) and, when taken, a whole play run.
// Inputs that do not start a RIFF file get a header put in front so the walk goes deep.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/player_engine.h"
#include "platform/message_sink.h"
#include "platform/text.h"
#include "platform/wave_out.h"

namespace {

std::string U16(uint32_t v) { return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)}; }
std::string U32(uint32_t v) { return U16(v & 0xFFFF) + U16(v >> 16); }

// A format chunk from the input's first bytes, mostly consistent so that the converters run.
std::string Wrap(const uint8_t* data, size_t size) {
    static const uint16_t kTags[] = {1, 2, 3, 6, 7, 0x11, 0xFFFE};
    static const uint16_t kBits[] = {4, 8, 16, 24, 32, 64};
    std::string in(reinterpret_cast<const char*>(data), size);
    if (in.size() < 24) in.resize(24, '\0');
    auto byte = [&](size_t i) { return uint8_t(in[i]); };
    const uint16_t tag = kTags[byte(0) % 7];
    const uint16_t channels = byte(1) % 3 + 1;
    const uint16_t bits = kBits[byte(4) % 6];
    uint16_t align = uint16_t(channels * bits / 8);
    if (tag == 0x11) align = uint16_t(channels * 4 * (1 + byte(2) % 64));
    if (tag == 2) align = uint16_t(channels * (7 + byte(2) % 64));
    if (byte(3) & 0x80) align = uint16_t(byte(2) | (byte(3) & 0x1F) << 8);  // anything, up to 8191
    std::string extra;
    size_t used = 6;
    if (tag == 2 && (byte(5) & 1)) {
        static const int16_t kCoef[14] = {256, 0, 512, -256, 0, 0, 192, 64, 240, 0, 460, -208, 392, -232};
        extra = U16(byte(6)) + U16(7);
        for (int16_t c : kCoef) extra += U16(uint16_t(c));
    } else if (tag == 0xFFFE) {
        extra = U16(bits) + U32(0) + U16(byte(5) % 4) + std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    } else {
        extra = in.substr(6, byte(5) % 8);
        used += extra.size();
    }
    std::string fmt = U16(tag) + U16(channels) + U32(8000) + U32(8000u * channels) + U16(align) + U16(bits);
    fmt += U16(uint16_t(extra.size())) + extra;
    std::string body = "fmt " + U32(uint32_t(fmt.size())) + fmt;
    std::string rest = in.substr(std::min(in.size(), used));
    return "RIFF" + U32(uint32_t(4 + body.size() + rest.size())) + "WAVE" + body + "data" + U32(uint32_t(rest.size())) + rest;
}

std::string TempPath() {
    static std::string path;
    if (path.empty()) {
        char name[] = "/tmp/fuzz_wav_XXXXXX";
        int fd = mkstemp(name);
        if (fd >= 0) close(fd);
        path = name;
        std::atexit([] { std::remove(path.c_str()); });
    }
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool once = (vl::SetAudioBackend("null-fast"), true);
    (void)once;
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.compare(0, 4, "RIFF") != 0 && size > 0 && data[0] % 4 != 0) bytes = Wrap(data, size);
    const std::string path = TempPath();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);

    vl::MessageQueue queue;
    vl::PlayerEngine engine;
    engine.SetNotifyWindow(&queue);
    if (engine.Open(vl::WidePath(path)) && engine.Play()) {
        // The run must end on its own: a hang here is a fault.
        vl::Message m;
        for (;;) {
            if (!queue.Get(m, 20000)) std::abort();
            if (m.message == vl::WM_ENGINE_STATE && m.wParam == vl::kStopped) break;
        }
    }
    engine.Close();
    return 0;
}
