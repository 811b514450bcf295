#pragma once
// HTTP GET on libcurl in the manner of WinINet: a root opened with the program's agent text
// (InternetOpenW), requests opened on it (InternetOpenUrlW) whose body is read in pieces
// (InternetReadFile) and closed (InternetCloseHandle). Everything is synchronous on the calling
// thread; only Cancel may be called from another thread.
//
// Connections are direct (no proxy, whatever http_proxy and friends say), nothing is cached,
// only http and https are spoken, redirects are followed (at most 10). An answer whose final
// status is not 2xx fails the open, so an error page is never taken for content. Time-outs:
// connecting 10 s, a whole request 30 s (SetTimeouts changes them for requests opened later).
#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

namespace vl {

struct HttpTimeouts {
    long connectMs = 10000;
    long totalMs = 30000;
};

class HttpRequest;

class HttpClient {
public:
    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // The root handle; false when the HTTP library cannot start.
    bool Open(const std::string& agent);
    bool IsOpen() const { return open_; }
    void Close();
    void SetTimeouts(const HttpTimeouts& timeouts) { timeouts_ = timeouts; }

    // Sends the request and waits for the answer's head. Null on failure (LastError says why).
    // The address is taken in the ANSI code page, as the wire carries it.
    std::unique_ptr<HttpRequest> OpenUrl(const std::wstring& url);

    // From any thread: the call in progress and every later one fail soon, until Reset.
    void Cancel() { cancelled_ = true; }
    bool IsCancelled() const { return cancelled_; }
    void Reset() { cancelled_ = false; }

    // Why the last open or read failed, for people ("HTTP 404", "Timeout was reached", ...).
    std::string LastError() const;

private:
    friend class HttpRequest;
    void SetError(const std::string& error);

    bool open_ = false;
    std::string agent_;
    HttpTimeouts timeouts_;
    std::atomic<bool> cancelled_{false};
    std::string lastError_;
};

// One request: the body is read after the head arrived. Closing (destroying) it before the
// body ended drops the connection.
class HttpRequest {
public:
    ~HttpRequest();
    HttpRequest(const HttpRequest&) = delete;
    HttpRequest& operator=(const HttpRequest&) = delete;

    // Waits for up to size bytes of the body; *got = 0 at its end. False when the transfer
    // failed (cut, timed out, cancelled); the bytes delivered before stay valid.
    bool Read(void* buffer, size_t size, size_t* got);
    // The final status code (after redirects).
    long Status() const { return status_; }

private:
    friend class HttpClient;
    struct Curl;
    explicit HttpRequest(HttpClient& client);
    bool Start(const std::string& url);
    // One round of the transfer; false when it ended (done_) or failed.
    bool Pump();
    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);

    HttpClient& client_;
    std::unique_ptr<Curl> curl_;
    std::string pending_;   // body bytes received but not read yet
    size_t pendingStart_ = 0;
    bool paused_ = false;   // the transfer waits until pending_ was read
    bool headDone_ = false;
    bool done_ = false;
    bool failed_ = false;
    long status_ = 0;
};

}  // namespace vl
