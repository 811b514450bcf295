// Stand-in for libFuzzer in ordinary builds: replays the files given on the command line and
// a fixed series of pseudo-random inputs (random bytes, and mutations of structured seeds)
// through the target, so a crash or sanitizer report shows up in the normal test run.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    long runs = 1000;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--runs=", 7) == 0) runs = std::atol(argv[i] + 7);
        else files.push_back(argv[i]);
    }
    for (const auto& f : files) {
        std::ifstream in(f, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::mt19937 rng(12345);
    std::vector<uint8_t> buf;
    // Byte alphabets that hit parsers harder than uniform noise: ASCII text with separators,
    // sync-like 0xFF runs, and small integers.
    static const char kText[] = "[]:.=-/ \t\r\n0123456789abcdefTAGID3RIFFWAVEfmt dataOggSicy-StreamTitle'";
    for (long r = 0; r < runs; ++r) {
        size_t len = rng() % (r % 10 == 0 ? 70000 : 600);
        buf.resize(len);
        int mode = rng() % 3;
        for (size_t i = 0; i < len; ++i) {
            if (mode == 0) buf[i] = uint8_t(rng());
            else if (mode == 1) buf[i] = uint8_t(kText[rng() % (sizeof(kText) - 1)]);
            else buf[i] = (rng() % 4 == 0) ? 0xFF : uint8_t(rng() % 16);
        }
        LLVMFuzzerTestOneInput(buf.data(), buf.size());
    }
    std::printf("replayed %zu files and %ld generated inputs\n", files.size(), runs);
    return 0;
}
