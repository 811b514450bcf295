#pragma once
// The text side of an ICY/HTTP stream connection, free of sockets: where to connect, the request
// sent, and the reading of the response head as it arrives piece by piece. Everything the server
// sends is read within the bytes actually received.
#include <cstddef>
#include <string>

namespace vl {

// Where one connection goes.
struct IcyTarget {
    std::string host;
    int port = 80;
    std::string requestTarget;  // what follows GET: a path, or the whole URL through a proxy
};

// Parses "[http://]host[:port]" at the start of text. False when the host is empty or the port
// lies outside 1..65535.
bool ParseIcyHostPort(const std::string& text, std::string& host, int& port);
// Host, port and request target of a stream URL, directly or through a proxy ("host:port" or
// "http://host:port"). False when no usable host results.
bool ResolveIcyTarget(const std::string& url, bool useProxy, const std::string& proxy,
                      IcyTarget& target);
std::string BuildIcyRequest(const IcyTarget& target, const std::string& userAgent);

// What a complete, accepted response head said.
struct IcyHead {
    int status = 0;
    bool hasStationHeaders = false;
    bool hasName = false, hasGenre = false, hasUrl = false;
    std::string name, genre, url;  // 8-bit values, at most 256 bytes each
    bool hasLocation = false;
    std::string location;  // 302 target, at most 256 bytes
    int metaInterval = 0;
};

// Reads the status, then the head: each piece is received into Space() (SpaceLeft() bytes) and
// announced with Commit. The status is read from the first piece alone.
class IcyHeadReader {
public:
    static constexpr size_t kCapacity = 2048;
    enum class Step { NeedMore, Done, Failed };

    char* Space() { return buffer_ + received_; }
    // Room for the next piece, always leaving one byte for the terminating zero.
    size_t SpaceLeft() const { return kCapacity - 1 - received_; }
    Step Commit(size_t bytes);

    const IcyHead& Head() const { return head_; }
    // Bytes that arrived after the blank line that ends the head.
    const char* Body() const { return buffer_ + headLength_; }
    size_t BodyLength() const { return received_ - headLength_; }

private:
    char buffer_[kCapacity] = {};
    size_t received_ = 0;
    size_t headLength_ = 0;
    bool first_ = true;
    IcyHead head_;
};

// The pieces of the head reading, for tests.
// Status code after the first word of the status line; -1 when there is none.
int ParseIcyStatus(const char* data, size_t length);
// Length of the head including its blank line; 0 while the blank line has not arrived.
size_t FindIcyHeadEnd(const char* data, size_t length);
// Station headers, icy-metaint and Location of a complete head.
void ParseIcyHeaders(const char* data, size_t length, IcyHead& head);

}  // namespace vl
