// The MPEG content test, the open-time estimate and the full scan over a file of arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/input/file_reader.h"
#include "engine/input/mpeg_input.h"
#include "platform/text.h"
#include "fuzz_temp_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path;
    FILE* f = vl::fuzz::OpenTempFile(path);
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    std::wstring wide = vl::WidePath(path);
    vl::IsMpegFile(wide);
    vl::FileReader reader;
    if (!reader.Open(wide)) return 0;
    vl::FormatRecord format;
    uint32_t total = 0;
    if (vl::EstimateFile(reader, format, total) && (format.sampleRate <= 0 || format.frameLength <= 0))
        __builtin_trap();
    if (vl::ScanFile(reader, format, total) && (format.sampleRate <= 0 || format.frameLength <= 0))
        __builtin_trap();
    return 0;
}
