// PLS text read through a C stream, as the playlist reads files.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ui/playlist_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::string text(reinterpret_cast<const char*>(data), size);
    FILE* file = fmemopen(&text[0], text.size(), "r");
    if (!file) return 0;
    std::vector<vl::PlaylistFileItem> items = vl::ParsePls(file);
    std::fclose(file);
    for (const auto& item : items)
        if (item.path.size() > text.size()) std::abort();
    return 0;
}
