// The floor for Ogg Vorbis decoding with Tremor: its vorbisfile layer reading a file into a
// 4 KiB buffer of 16-bit PCM until the end, and nothing else.
#include <tremor/ivorbisfile.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_bare_tremor FILE.ogg\n");
        return 2;
    }
    FILE* file = std::fopen(argv[1], "rb");
    if (!file) {
        std::fprintf(stderr, "bench_bare_tremor: cannot open %s\n", argv[1]);
        return 1;
    }
    OggVorbis_File vf;
    if (ov_open(file, &vf, nullptr, 0) < 0) {
        std::fclose(file);
        std::fprintf(stderr, "bench_bare_tremor: not Ogg Vorbis: %s\n", argv[1]);
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    char pcm[4096];
    unsigned long long bytes = 0;
    long checksum = 0;
    int section = 0;
    for (;;) {
        long n = ov_read(&vf, pcm, sizeof pcm, &section);
        if (n == 0) break;
        if (n < 0) continue;  // a hole in the data: go on, as players do
        bytes += static_cast<unsigned long long>(n);
        checksum += pcm[0];
    }
    const vorbis_info* info = ov_info(&vf, -1);
    const double frames = info ? static_cast<double>(bytes) / (2.0 * info->channels) : 0;
    const double audio = info && info->rate ? frames / info->rate : 0;
    ov_clear(&vf);
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("audio_s=%.1f decode_s=%.3f realtime_x=%.1f checksum=%ld\n", audio, secs, secs > 0 ? audio / secs : 0,
                checksum);
    return 0;
}
