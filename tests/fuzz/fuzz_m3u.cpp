// M3U text: any bytes give a list of items, and writing them back reads back the same paths.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ui/playlist_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<vl::PlaylistFileItem> items = vl::ParseM3u(text);
    for (const auto& item : items)
        if (item.path.empty() || item.path[0] == L'#') std::abort();
    std::vector<vl::PlaylistFileItem> again = vl::ParseM3u(vl::FormatM3u(L"/base", items));
    if (again.size() != items.size()) std::abort();
    return 0;
}
