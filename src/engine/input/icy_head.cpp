#include "engine/input/icy_head.h"

#include <climits>
#include <cstring>
#include <string_view>

namespace vl {

namespace {

constexpr size_t kTextLimit = 259;   // 8-bit copies of URL, proxy and agent hold 260 bytes
constexpr size_t kValueLimit = 256;  // header values and the redirect target
constexpr char kPrefix[] = "http://";
constexpr size_t kPrefixLength = 7;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool HasPrefix(const std::string& text) { return text.compare(0, kPrefixLength, kPrefix) == 0; }

// A decimal number the way %d reads it: blanks, an optional sign, at least one digit. The value
// saturates instead of overflowing.
bool ReadInt(const char*& p, const char* end, long long& value) {
    while (p < end && IsSpace(*p)) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    if (p >= end || !IsDigit(*p)) return false;
    long long v = 0;
    while (p < end && IsDigit(*p)) {
        if (v < LLONG_MAX / 100) v = v * 10 + (*p - '0');
        ++p;
    }
    value = negative ? -v : v;
    return true;
}

// Up to kValueLimit bytes of a line: stops at CR, LF, a zero byte or the end.
std::string ReadLineValue(const char* p, const char* end) {
    const char* start = p;
    while (p < end && static_cast<size_t>(p - start) < kValueLimit && *p != '\r' && *p != '\n' && *p != 0)
        ++p;
    return std::string(start, static_cast<size_t>(p - start));
}

}  // namespace

bool ParseIcyHostPort(const std::string& text, std::string& host, int& port) {
    const char* p = text.c_str();
    const char* end = p + text.size();
    if (HasPrefix(text)) p += kPrefixLength;
    const char* start = p;
    while (p < end && *p != ':' && *p != '/' && *p != 0) ++p;
    host.assign(start, static_cast<size_t>(p - start));
    if (host.empty()) return false;
    port = 80;
    if (p < end && *p == ':') {
        ++p;
        long long value = 0;
        if (ReadInt(p, end, value)) {
            if (value < 1 || value > 65535) return false;
            port = static_cast<int>(value);
        }
    }
    return true;
}

bool ResolveIcyTarget(const std::string& url, bool useProxy, const std::string& proxy,
                      IcyTarget& target) {
    std::string shortUrl = url.substr(0, kTextLimit);
    if (shortUrl.empty()) return false;
    std::string shortProxy = proxy.substr(0, kTextLimit);
    if (useProxy && !shortProxy.empty()) {
        target.requestTarget = shortUrl;
        return ParseIcyHostPort(shortProxy, target.host, target.port);
    }
    size_t slash = shortUrl.find('/', HasPrefix(shortUrl) ? kPrefixLength : 0);
    target.requestTarget = slash == std::string::npos ? "/" : shortUrl.substr(slash);
    return ParseIcyHostPort(shortUrl, target.host, target.port);
}

std::string BuildIcyRequest(const IcyTarget& target, const std::string& userAgent) {
    return "GET " + target.requestTarget + " HTTP/1.0\r\nHost: " + target.host +
           "\r\nAccept: */*\r\nIcy-MetaData:1\r\nUser-Agent: " + userAgent.substr(0, kTextLimit) +
           "\r\n\r\n";
}

int ParseIcyStatus(const char* data, size_t length) {
    // Text ends at the first zero byte, as for any C string reader.
    const char* p = data;
    const char* end = data + strnlen(data, length);
    while (p < end && IsSpace(*p)) ++p;
    const char* word = p;
    while (p < end && !IsSpace(*p)) ++p;
    if (p == word) return -1;
    long long code = 0;
    if (!ReadInt(p, end, code)) return -1;
    if (code < 0 || code > INT_MAX) return -1;
    return static_cast<int>(code);
}

size_t FindIcyHeadEnd(const char* data, size_t length) {
    std::string_view text(data, length);
    size_t at = text.find("\r\n\r\n");
    return at == std::string_view::npos ? 0 : at + 4;
}

void ParseIcyHeaders(const char* data, size_t length, IcyHead& head) {
    std::string_view text(data, length);
    const char* end = data + length;
    struct Field {
        const char* name;
        bool IcyHead::*has;
        std::string IcyHead::*value;
    };
    // The ice- names come after the icy- names so that their values win.
    static const Field kFields[] = {
        {"icy-name", &IcyHead::hasName, &IcyHead::name},   {"ice-name", &IcyHead::hasName, &IcyHead::name},
        {"icy-genre", &IcyHead::hasGenre, &IcyHead::genre}, {"ice-genre", &IcyHead::hasGenre, &IcyHead::genre},
        {"icy-url", &IcyHead::hasUrl, &IcyHead::url},      {"ice-url", &IcyHead::hasUrl, &IcyHead::url},
    };
    for (const Field& field : kFields) {
        size_t at = text.find(field.name);
        if (at == std::string_view::npos) continue;
        head.hasStationHeaders = true;
        const char* p = data + at + std::strlen(field.name);
        if (p >= end || *p != ':') continue;
        std::string value = ReadLineValue(p + 1, end);
        if (value.empty()) continue;
        size_t first = value.find_first_not_of(" \t");
        head.*field.value = first == std::string::npos ? std::string() : value.substr(first);
        head.*field.has = true;
    }

    head.metaInterval = 0;
    static const char kMetaInt[] = "icy-metaint:";
    size_t at = text.find(kMetaInt);
    if (at != std::string_view::npos) {
        const char* p = data + at + sizeof(kMetaInt) - 1;
        long long value = 0;
        // A negative interval means nothing sensible; such a stream is taken as plain audio.
        if (ReadInt(p, end, value) && value > 0) head.metaInterval = value > INT_MAX ? INT_MAX : static_cast<int>(value);
    }

    static const char kLocation[] = "Location: ";
    at = text.find(kLocation);
    head.hasLocation = false;
    head.location.clear();
    if (at != std::string_view::npos) {
        head.location = ReadLineValue(data + at + sizeof(kLocation) - 1, end);
        head.hasLocation = !head.location.empty();
    }
}

IcyHeadReader::Step IcyHeadReader::Commit(size_t bytes) {
    if (bytes > SpaceLeft()) bytes = SpaceLeft();
    received_ += bytes;
    buffer_[received_] = 0;
    if (first_) {
        first_ = false;
        head_.status = ParseIcyStatus(buffer_, received_);
        if (head_.status != 200 && head_.status != 302) return Step::Failed;
    }
    headLength_ = FindIcyHeadEnd(buffer_, received_);
    if (headLength_ == 0) {
        if (SpaceLeft() == 0) return Step::Failed;  // 2047 bytes and still no blank line
        return Step::NeedMore;
    }
    ParseIcyHeaders(buffer_, headLength_, head_);
    return Step::Done;
}

}  // namespace vl
