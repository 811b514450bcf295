#pragma once
// The HTTP side of versolune-lyricsd: the player's lyrics-search protocol (bootstrap page,
// search request with grave-accent answer lines, lyric files by opaque address) and JSON
// endpoints for other players. Requests run on the server's worker threads, which read the index
// through a small shared pool of read-only catalogue connections.
#include <memory>
#include <string>

#include "lyricsd/users.h"

namespace httplib {
class Server;
}

namespace vl::lyricsd {

struct ServiceOptions {
    std::string dbPath;
    std::string publicUrl;   // base of the addresses handed out; empty = from the Host header
    std::string listenUrl;   // the base when a request has no Host header (HTTP/1.0)
    Users* users = nullptr;  // null: user and pass are not asked for
    int threads = 96;        // workers: one per open connection, so keep-alive clients do not queue
    size_t readers = 0;      // index connections shared by the workers; 0 = one per core
};

class ReaderPool;

class Service {
public:
    explicit Service(ServiceOptions options);
    ~Service();
    // Binds host:port (port 0 picks a free one); the port bound, or -1.
    int Bind(const std::string& host, int port);
    // The address it listens on, for requests without a Host header.
    void SetListenUrl(const std::string& url) { options_.listenUrl = url; }
    // Serves until Stop (from any thread).
    bool Run();
    void Stop();

private:
    void Routes();
    ServiceOptions options_;
    std::unique_ptr<ReaderPool> readers_;
    std::unique_ptr<httplib::Server> server_;
};

}  // namespace vl::lyricsd
