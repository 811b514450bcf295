// The lyrics service's query parser: any request target parses or fails cleanly, within its
// bounds, and the search words of any value fold without trouble.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "lyricsd/query_string.h"
#include "lyricsd/text_fold.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string target = "/search?" + std::string(reinterpret_cast<const char*>(data), size);
    vl::lyricsd::QueryString q = vl::lyricsd::ParseQueryString(target);
    if (!q.error.empty() && !q.fields.empty()) std::abort();
    if (q.fields.size() > vl::lyricsd::kMaxQueryFields) std::abort();
    for (const auto& field : q.fields) {
        if (field.first.size() > vl::lyricsd::kMaxQueryValueBytes || field.second.size() > vl::lyricsd::kMaxQueryValueBytes)
            std::abort();
        if (field.second.find('\0') != std::string::npos) std::abort();
        for (const std::wstring& word : vl::lyricsd::FoldedWords(vl::Utf8ToWide(field.second)))
            if (word.empty() || word.find(L' ') != std::wstring::npos) std::abort();
    }
    return 0;
}
