// ReadIniValue over arbitrary bytes, with the names the program looks up.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "settings/ini_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "r");
    if (!file) return 0;
    static const wchar_t* const kLookups[][2] = {
        {L"Versolune", L"Version"}, {L"Versolune Equalizer", L"0"}, {L"playlist", L"File1"},
        {L"", L""}, {L"0", L"1"}, {L"a", L"b"},
    };
    for (const auto& lookup : kLookups) {
        std::wstring value;
        bool found = vl::ReadIniValue(file, lookup[0], lookup[1], value);
        if (!found && !value.empty()) __builtin_trap();
        if (value.size() > static_cast<size_t>(vl::kIniLineBytes)) __builtin_trap();
    }
    std::fclose(file);
    return 0;
}
