#pragma once
// For fuzz targets whose parser reads a file: one temporary file per process, removed at exit.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vl::fuzz {

// Opens the process's temporary file for writing (truncated); its path in `path`.
inline FILE* OpenTempFile(std::string& path) {
    static std::string file;
    if (file.empty()) {
        const char* base = std::getenv("TMPDIR");
        file = std::string(base && *base ? base : "/tmp") + "/versolune_fuzz." + std::to_string(getpid());
        std::atexit([] { std::remove(file.c_str()); });
    }
    path = file;
    return std::fopen(file.c_str(), "wb");
}

}  // namespace vl::fuzz
