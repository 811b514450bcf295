// ID3v1 reader over a file of arbitrary bytes (the tag is its last 128 bytes).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "engine/input/tags.h"
#include "platform/text.h"
#include "fuzz_temp_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path;
    FILE* f = vl::fuzz::OpenTempFile(path);
    if (!f) return 0;
    // Make most inputs end in a tag so the field conversion runs.
    if (size) std::fwrite(data, 1, size, f);
    if (size >= 1 && (data[0] & 1)) {
        std::fwrite("TAG", 1, 3, f);
        for (size_t i = 0; i < 125; ++i) std::fputc(data[i % size], f);
    }
    std::fclose(f);
    vl::TagInfo tags;
    if (vl::ReadId3v1(vl::WidePath(path), tags)) {
        // Every text stays terminated inside its field.
        if (std::wcslen(tags.title) > 30 || std::wcslen(tags.artist) > 30 || std::wcslen(tags.album) > 30 ||
            std::wcslen(tags.comment) > 30 || std::wcslen(tags.genre) > 255)
            __builtin_trap();
    }
    return 0;
}
