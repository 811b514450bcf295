// The registry file reader over arbitrary bytes: whatever it accepts must write back to a text
// that reads to the same tree.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/registry_file.h"

namespace {

bool SameTree(const vl::RegNode& a, const vl::RegNode& b) {
    if (a.values.size() != b.values.size() || a.children.size() != b.children.size()) return false;
    for (size_t i = 0; i < a.values.size(); ++i) {
        const auto& x = a.values[i];
        const auto& y = b.values[i];
        if (x.name != y.name || x.type != y.type || x.data != y.data) return false;
    }
    for (auto ia = a.children.begin(), ib = b.children.begin(); ia != a.children.end(); ++ia, ++ib)
        if (ia->first != ib->first || !SameTree(*ia->second, *ib->second)) return false;
    return true;
}

void Check(const std::string& text) {
    vl::RegNode first;
    int line = 0;
    std::string reason;
    vl::ParseRegistryText(text, first, &line, &reason);
    std::string written = vl::FormatRegistryText(first, L"fuzz");
    vl::RegNode second;
    if (vl::ParseRegistryText(written, second) != 0 || !SameTree(first, second)) std::abort();
    if (vl::FormatRegistryText(second, L"fuzz") != written) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    Check(input);
    // Behind a sound start the input lands in values, names and key lines.
    static const char* const kStarts[] = {"[Software\\K]\n\"v\"=", "[Software\\K]\n\"", "[", "[A]\n\"x\"=hex(1):"};
    for (const char* start : kStarts) Check(start + input);
    return 0;
}
