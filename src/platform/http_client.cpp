#include "platform/http_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/text.h"

namespace vl {

namespace {

// Body bytes held before the transfer pauses until the reader caught up.
constexpr size_t kMaxPending = 64 * 1024;
// The longest wait inside one round, so that a cancel is seen soon.
constexpr int kPollMs = 50;

bool StartLibrary() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ok;
}

}  // namespace

struct HttpRequest::Curl {
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    ~Curl() {
        if (multi && easy) curl_multi_remove_handle(multi, easy);
        if (easy) curl_easy_cleanup(easy);
        if (multi) curl_multi_cleanup(multi);
    }
};

// ---- HttpClient ----

HttpClient::HttpClient() = default;
HttpClient::~HttpClient() = default;

bool HttpClient::Open(const std::string& agent) {
    if (!StartLibrary()) {
        SetError("the HTTP library cannot start");
        return false;
    }
    agent_ = agent;
    open_ = true;
    return true;
}

void HttpClient::Close() { open_ = false; }

std::string HttpClient::LastError() const { return lastError_; }

void HttpClient::SetError(const std::string& error) { lastError_ = error; }

std::unique_ptr<HttpRequest> HttpClient::OpenUrl(const std::wstring& url) {
    if (!open_) {
        SetError("not open");
        return nullptr;
    }
    std::unique_ptr<HttpRequest> request(new HttpRequest(*this));
    if (!request->Start(WideToAnsi(url))) return nullptr;
    return request;
}

// ---- HttpRequest ----

HttpRequest::HttpRequest(HttpClient& client) : client_(client), curl_(std::make_unique<Curl>()) {}

HttpRequest::~HttpRequest() = default;

bool HttpRequest::Start(const std::string& url) {
    if (url.empty()) {
        client_.SetError("empty address");
        return false;
    }
    curl_->easy = curl_easy_init();
    curl_->multi = curl_multi_init();
    if (!curl_->easy || !curl_->multi) {
        client_.SetError("the HTTP library cannot start");
        return false;
    }
    CURL* e = curl_->easy;
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_USERAGENT, client_.agent_.c_str());
    curl_easy_setopt(e, CURLOPT_PROXY, "");  // direct, also against proxy variables
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, client_.timeouts_.connectMs);
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, client_.timeouts_.totalMs);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &HttpRequest::OnBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &HttpRequest::OnHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    if (curl_multi_add_handle(curl_->multi, e) != CURLM_OK) {
        client_.SetError("the HTTP library cannot start");
        return false;
    }
    while (!headDone_ && !done_ && !failed_) Pump();
    if (failed_) return false;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status_);
    if (status_ < 200 || status_ > 299) {
        client_.SetError("HTTP " + std::to_string(status_));
        failed_ = true;
        return false;
    }
    return true;
}

bool HttpRequest::Pump() {
    if (client_.IsCancelled()) {
        client_.SetError("cancelled");
        failed_ = true;
        return false;
    }
    int running = 0;
    if (curl_multi_perform(curl_->multi, &running) != CURLM_OK) {
        client_.SetError("the HTTP transfer broke down");
        failed_ = true;
        return false;
    }
    int left = 0;
    while (CURLMsg* m = curl_multi_info_read(curl_->multi, &left)) {
        if (m->msg != CURLMSG_DONE) continue;
        done_ = true;
        if (m->data.result != CURLE_OK) {
            client_.SetError(curl_easy_strerror(m->data.result));
            failed_ = true;
        }
    }
    if (done_ || failed_) return false;
    if (!paused_) curl_multi_poll(curl_->multi, nullptr, 0, kPollMs, nullptr);
    return true;
}

size_t HttpRequest::OnHeader(char* data, size_t size, size_t count, void* self) {
    auto* r = static_cast<HttpRequest*>(self);
    size_t n = size * count;
    // The blank line after the head of the final answer (not of a redirect or a 1xx).
    if ((n == 2 && data[0] == '\r' && data[1] == '\n') || (n == 1 && data[0] == '\n')) {
        long code = 0;
        curl_easy_getinfo(r->curl_->easy, CURLINFO_RESPONSE_CODE, &code);
        if (code >= 200 && (code < 300 || code >= 400)) r->headDone_ = true;
    }
    return n;
}

size_t HttpRequest::OnBody(char* data, size_t size, size_t count, void* self) {
    auto* r = static_cast<HttpRequest*>(self);
    size_t n = size * count;
    r->headDone_ = true;
    if (r->pending_.size() - r->pendingStart_ >= kMaxPending) {
        r->paused_ = true;
        return CURL_WRITEFUNC_PAUSE;  // delivered again once unpaused
    }
    r->pending_.append(data, n);
    return n;
}

bool HttpRequest::Read(void* buffer, size_t size, size_t* got) {
    *got = 0;
    while (pendingStart_ == pending_.size()) {
        pending_.clear();
        pendingStart_ = 0;
        if (failed_) return false;
        if (done_) return true;
        if (paused_) {
            paused_ = false;
            curl_easy_pause(curl_->easy, CURLPAUSE_CONT);
        }
        Pump();
    }
    if (client_.IsCancelled()) {
        client_.SetError("cancelled");
        failed_ = true;
        return false;
    }
    size_t n = std::min(size, pending_.size() - pendingStart_);
    std::memcpy(buffer, pending_.data() + pendingStart_, n);
    pendingStart_ += n;
    *got = n;
    return true;
}

}  // namespace vl
