// The floor for MPEG decoding: a bare libmad loop over a file in memory, with the same 16-bit
// rounding the player does, and nothing else.
#include <mad.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

static inline int Scale(mad_fixed_t s) {
    s += 1L << (MAD_F_FRACBITS - 16);
    if (s >= MAD_F_ONE) s = MAD_F_ONE - 1;
    else if (s < -MAD_F_ONE) s = -MAD_F_ONE;
    return s >> (MAD_F_FRACBITS + 1 - 16);
}

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_bare_libmad FILE.mp3\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    data.resize(data.size() + MAD_BUFFER_GUARD, 0);
    auto start = std::chrono::steady_clock::now();
    mad_stream stream;
    mad_frame frame;
    mad_synth synth;
    mad_stream_init(&stream);
    mad_frame_init(&frame);
    mad_synth_init(&synth);
    mad_stream_buffer(&stream, data.data(), data.size());
    std::vector<short> pcm(1152 * 2);
    unsigned long long frames = 0, samples = 0;
    long checksum = 0;
    unsigned rate = 0;
    for (;;) {
        if (mad_frame_decode(&frame, &stream) != 0) {
            if (MAD_RECOVERABLE(stream.error)) continue;
            break;
        }
        mad_synth_frame(&synth, &frame);
        rate = synth.pcm.samplerate;
        unsigned n = synth.pcm.length;
        for (unsigned i = 0; i < n; ++i) {
            pcm[2 * i] = static_cast<short>(Scale(synth.pcm.samples[0][i]));
            pcm[2 * i + 1] = static_cast<short>(Scale(synth.pcm.samples[synth.pcm.channels > 1 ? 1 : 0][i]));
        }
        checksum += pcm[0];
        ++frames;
        samples += n;
    }
    mad_synth_finish(&synth);
    mad_frame_finish(&frame);
    mad_stream_finish(&stream);
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double audio = rate ? static_cast<double>(samples) / rate : 0;
    std::printf("frames=%llu audio_s=%.1f decode_s=%.3f realtime_x=%.1f checksum=%ld\n", frames, audio, secs,
                secs > 0 ? audio / secs : 0, checksum);
    return 0;
}
