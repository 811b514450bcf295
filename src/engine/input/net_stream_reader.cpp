#include "engine/input/net_stream_reader.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string_view>

#include "platform/clock.h"
#include "platform/text.h"
#include "engine/input/icy_head.h"

namespace vl {

namespace {

constexpr int kSliceMs = 200;
constexpr int kConnectSlices = 75;  // 15 s; the next slice gives up
constexpr int kDataSlices = 25;     // 5 s without a byte
constexpr uint32_t kHeadLimitMs = 15000;  // the whole response head, however it trickles in
constexpr size_t kTextUnits = 260;  // url, proxy, agent, station texts and titles

std::wstring Clip(const std::wstring& text) { return text.substr(0, kTextUnits - 1); }

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

}  // namespace

// ---- StreamBlockList ----

bool StreamBlockList::Reserve(int capacity) {
    Release();
    for (int i = 0; i < capacity; ++i)
        if (slots_.Add(nullptr) < 0) {
            Release();
            return false;
        }
    return true;
}

void StreamBlockList::Release() {
    slots_.Free();
    head_ = count_ = 0;
}

StreamBlock* StreamBlockList::Front() const {
    return count_ == 0 ? nullptr : static_cast<StreamBlock*>(slots_.GetAt(head_));
}

StreamBlock* StreamBlockList::At(int index) const {
    if (index < 0 || index >= count_) return nullptr;
    return static_cast<StreamBlock*>(slots_.GetAt((head_ + index) % slots_.GetCount()));
}

StreamBlock* StreamBlockList::PopFront() {
    if (count_ == 0) return nullptr;
    StreamBlock* block = static_cast<StreamBlock*>(slots_.GetAt(head_));
    slots_.SetAt(head_, nullptr);
    head_ = (head_ + 1) % slots_.GetCount();
    --count_;
    return block;
}

bool StreamBlockList::PushBack(StreamBlock* block) {
    int capacity = slots_.GetCount();
    if (count_ >= capacity) return false;
    slots_.SetAt((head_ + count_) % capacity, block);
    ++count_;
    return true;
}

// ---- NetStreamReader ----

NetStreamReader::NetStreamReader() = default;

NetStreamReader::~NetStreamReader() { Reset(); }

bool NetStreamReader::SetUrl(const std::wstring& url) {
    if (!winsockReady_ || url.compare(0, 7, L"http://") != 0) return false;
    Locked lock(textLock_);
    url_ = Clip(url);
    return true;
}

bool NetStreamReader::Open() {
    if (!winsockReady_) return false;
    Locked call(callLock_);
    Close();
    if (abortRequested_) return false;
    {
        Locked blocks(blockLock_);
        bool ok = freeList_.Reserve(bufferBlocks_) && dataList_.Reserve(bufferBlocks_);
        for (int i = 0; ok && i < bufferBlocks_; ++i) {
            StreamBlock* block = new (std::nothrow) StreamBlock;
            if (!block) ok = false;
            else {
                freeList_.PushBack(block);
                ++poolBlocks_;
            }
        }
        if (!ok) {
            FreeBlocks();
            return false;
        }
        freeEvent_.Set();
        dataEvent_.Reset();
    }
    hasStationHeaders_ = 0;
    stopRequested_ = 0;
    endOfStream_ = 0;
    connectedEvent_.Reset();
    threadSignal_.Reset();
    if (!thread_.Start([this] { ReceiveThread(); })) {
        FreeBlocks();
        return false;
    }
    threadSignal_.Wait();
    if (connectedEvent_.IsSet()) return true;
    // The thread ended without a connection; it touches nothing after signalling.
    FreeBlocks();
    return false;
}

void NetStreamReader::Close() {
    Locked call(callLock_);
    if (thread_.Joinable()) {
        stopRequested_ = 1;
        freeEvent_.Set();
        dataEvent_.Set();
        thread_.Join();
    }
    FreeBlocks();
    hasStationHeaders_ = 0;
    {
        Locked text(textLock_);
        metaLength_ = 0;
    }
    stopRequested_ = 0;
    endOfStream_ = 0;
}

void NetStreamReader::Reset() {
    Locked call(callLock_);
    Close();
    Locked text(textLock_);
    url_.clear();
    stationName_.clear();
    stationGenre_.clear();
    stationUrl_.clear();
    metaLength_ = 0;
}

void NetStreamReader::FreeBlocks() {
    Locked blocks(blockLock_);
    while (StreamBlock* block = freeList_.PopFront()) delete block;
    while (StreamBlock* block = dataList_.PopFront()) delete block;
    delete currentBlock_;
    currentBlock_ = nullptr;
    freeList_.Release();
    dataList_.Release();
    poolBlocks_ = 0;
    freeEvent_.Set();
    dataEvent_.Set();
}

void NetStreamReader::CloseSocket() {
    int fd = socket_.exchange(-1);
    if (fd >= 0) {
        shutdown(fd, SHUT_RDWR);
        close(fd);
    }
}

bool NetStreamReader::Read(uint8_t* destination, uint32_t length, uint32_t& count) {
    count = 0;
    if (length == 0) return true;
    while (count < length) {
        while (!dataEvent_.Wait(100)) {
            // Blocks are listed before the socket closes, so a closed socket with the event
            // still clear means nothing more will come.
            if (socket_ < 0 && !dataEvent_.IsSet()) return false;
        }
        Locked blocks(blockLock_);
        StreamBlock* block = dataList_.Front();
        if (!block) return false;
        uint32_t take = block->fill - block->readPos;
        if (take > length - count) take = length - count;
        std::memcpy(destination + count, block->data + block->readPos, take);
        block->readPos += take;
        count += take;
        if (block->readPos >= block->fill) {
            freeList_.PushBack(dataList_.PopFront());
            freeEvent_.Set();
        }
        if (dataList_.Count() == 0) dataEvent_.Reset();
    }
    return true;
}

bool NetStreamReader::SetBufferBlocks(int n) {
    Locked blocks(blockLock_);
    if (poolBlocks_ > 0 || n < 2) return false;
    bufferBlocks_ = n;
    if (prebufferBlocks_ > n) prebufferBlocks_ = n;
    return true;
}

bool NetStreamReader::SetPrebufferBlocks(int n) {
    if (n > bufferBlocks_ || n < 2) return false;
    prebufferBlocks_ = n;
    return true;
}

int NetStreamReader::GetFilledBlocks() {
    Locked blocks(blockLock_);
    return dataList_.Count();
}

uint32_t NetStreamReader::GetFilledBytes() {
    Locked blocks(blockLock_);
    uint32_t bytes = 0;
    for (int i = 0; i < dataList_.Count(); ++i) {
        const StreamBlock* block = dataList_.At(i);
        bytes += block->fill - block->readPos;
    }
    return bytes;
}

int NetStreamReader::GetBufferState(uint32_t& totalBytes, uint32_t& filledBytes) {
    totalBytes = filledBytes = 0;
    if (socket_ < 0) return 0;
    int filled = GetFilledBlocks();
    totalBytes = static_cast<uint32_t>(bufferBlocks_) * kStreamBlockSize;
    filledBytes = static_cast<uint32_t>(filled) * kStreamBlockSize;
    return filled;
}

void NetStreamReader::SetProxy(bool use, const std::wstring& proxy) {
    Locked text(textLock_);
    useProxy_ = use ? 1 : 0;
    proxy_ = Clip(proxy);
}

bool NetStreamReader::GetProxy(std::wstring& proxy) const {
    Locked text(textLock_);
    proxy = proxy_;
    return useProxy_ != 0;
}

void NetStreamReader::SetUserAgent(const std::wstring& agent) {
    Locked text(textLock_);
    userAgent_ = Clip(agent);
}

void NetStreamReader::GetUserAgent(std::wstring& agent) const {
    Locked text(textLock_);
    agent = userAgent_;
}

bool NetStreamReader::GetStreamInfo(std::wstring* name, std::wstring* genre, std::wstring* url) {
    Locked text(textLock_);
    if (stationName_.empty() && stationGenre_.empty() && stationUrl_.empty()) return false;
    bool copied = false;
    if (name) {
        *name = stationName_;
        copied |= !stationName_.empty();
    }
    if (genre) {
        *genre = stationGenre_;
        copied |= !stationGenre_.empty();
    }
    if (url) {
        *url = stationUrl_;
        copied |= !stationUrl_.empty();
    }
    return copied;
}

bool NetStreamReader::GetStreamTitle(std::wstring& out) {
    out.clear();
    std::string title;
    {
        Locked text(textLock_);
        // Only a block held completely carries a title.
        if (metaLength_ == 0 || metaLength_ != metaBuffer_[0] * 16 + 1) return false;
        const char* body = reinterpret_cast<const char*>(metaBuffer_ + 1);
        std::string_view block(body, strnlen(body, static_cast<size_t>(metaLength_ - 1)));
        size_t at = block.find("StreamTitle=");
        if (at == std::string_view::npos) return false;
        size_t start = at + 13;  // past "StreamTitle='"
        if (start > block.size()) return false;
        size_t end = block.find(';', start);
        if (end == std::string_view::npos) return false;
        if (end > start && block[end - 1] == '\'') --end;
        title.assign(block.substr(start, std::min<size_t>(end - start, kTextUnits - 1)));
    }
    out = Clip(AnsiToWide(title));
    return true;
}

void NetStreamReader::AnnounceTitle() {
    MessageSink* sink = notifyWindow_;
    std::wstring title;
    if (!sink || !GetStreamTitle(title)) return;
    {
        Locked text(textLock_);
        size_t n = std::min(title.size(), kTextUnits - 1);
        std::wmemcpy(titleBuffer_, title.data(), n);
        titleBuffer_[n] = 0;
    }
    sink->Post(WM_ENGINE_TITLE, reinterpret_cast<uintptr_t>(titleBuffer_), 0);
}

uint32_t NetStreamReader::StripMetadata(uint8_t* data, uint32_t length) {
    if (metaInterval_ <= 0 || !data) return 0;
    bool completed = false;
    uint32_t in = 0, out = 0;
    {
        Locked text(textLock_);
        while (in < length) {
            uint32_t left = length - in;
            if (metaCountdown_ > 0) {
                // Audio up to the next length byte.
                uint32_t take = std::min(left, static_cast<uint32_t>(metaCountdown_));
                if (out != in) std::memmove(data + out, data + in, take);
                out += take;
                in += take;
                metaCountdown_ -= static_cast<int>(take);
            } else if (metaCountdown_ == 0) {
                // The length byte; an empty block is just this byte and keeps the last title.
                uint8_t blocks = data[in++];
                if (blocks == 0) {
                    metaCountdown_ = metaInterval_;
                } else {
                    metaBuffer_[0] = blocks;
                    metaLength_ = 1;
                    metaCountdown_ = -(blocks * 16);
                }
            } else {
                // Inside a block: collect its text, whatever piece boundaries fall in it.
                uint32_t take = std::min(left, static_cast<uint32_t>(-metaCountdown_));
                uint32_t room = kMaxMetaBlock - static_cast<uint32_t>(metaLength_);
                std::memcpy(metaBuffer_ + metaLength_, data + in, std::min(take, room));
                metaLength_ += static_cast<int>(std::min(take, room));
                in += take;
                metaCountdown_ += static_cast<int>(take);
                if (metaCountdown_ == 0) {
                    metaCountdown_ = metaInterval_;
                    completed = true;
                }
            }
        }
    }
    // One title per piece, the newest: earlier blocks of the same piece are already outdated.
    if (completed) AnnounceTitle();
    return length - out;
}

bool NetStreamReader::WaitSocket(int fd, bool forWrite, int maxSlices) {
    for (int slice = 0;; ++slice) {
        if (Stopping() || slice >= maxSlices) return false;
        pollfd p{fd, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
        int r = poll(&p, 1, kSliceMs);
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (r == 0) continue;
        if (!forWrite) return true;  // data, end or error: recv tells which
        if (p.revents & (POLLERR | POLLNVAL)) return false;
        int error = 0;
        socklen_t size = sizeof(error);
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) return false;
        return true;
    }
}

bool NetStreamReader::ReceiveHead(int fd, IcyHeadReader& reader) {
    const uint32_t start = GetTickCount();
    for (;;) {
        uint32_t elapsed = GetTickCount() - start;
        if (elapsed >= kHeadLimitMs) return false;
        int slices = static_cast<int>((kHeadLimitMs - elapsed + kSliceMs - 1) / kSliceMs);
        if (!WaitSocket(fd, false, std::min(slices, kDataSlices))) return false;
        ssize_t n = recv(fd, reader.Space(), reader.SpaceLeft(), 0);
        if (n < 0 && WouldBlock(errno)) continue;
        if (n <= 0) return false;
        switch (reader.Commit(static_cast<size_t>(n))) {
            case IcyHeadReader::Step::Done: return true;
            case IcyHeadReader::Step::Failed: return false;
            case IcyHeadReader::Step::NeedMore: break;
        }
    }
}

bool NetStreamReader::Connect(const std::wstring& url, std::wstring& redirect) {
    redirect.clear();
    std::string url8, proxy8, agent8;
    bool useProxy;
    {
        Locked text(textLock_);
        url8 = WideToAnsi(Clip(url));
        proxy8 = WideToAnsi(proxy_);
        agent8 = WideToAnsi(userAgent_);
        useProxy = useProxy_ != 0;
    }
    IcyTarget target;
    if (!ResolveIcyTarget(url8, useProxy, proxy8, target)) return false;

    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    socket_ = fd;
    auto fail = [this] {
        CloseSocket();
        return false;
    };

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(target.port));
    address.sin_addr.s_addr = inet_addr(target.host.c_str());
    if (address.sin_addr.s_addr == INADDR_NONE) {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (getaddrinfo(target.host.c_str(), nullptr, &hints, &found) != 0 || !found) return fail();
        address.sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
        freeaddrinfo(found);
    }

    int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return fail();
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    if (Stopping()) return fail();
    if (!WaitSocket(fd, true, kConnectSlices)) return fail();

    std::string request = BuildIcyRequest(target, agent8);
    for (size_t sent = 0; sent < request.size();) {
        ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n < 0) {
            if (WouldBlock(errno) && WaitSocket(fd, true, kDataSlices)) continue;
            return fail();
        }
        sent += static_cast<size_t>(n);
    }

    IcyHeadReader reader;
    if (!ReceiveHead(fd, reader)) return fail();
    const IcyHead& head = reader.Head();
    if (head.status == 302) {
        CloseSocket();
        if (head.hasLocation) redirect = Clip(AnsiToWide(head.location));
        return false;
    }

    {
        Locked text(textLock_);
        if (head.hasName) stationName_ = Clip(AnsiToWide(head.name));
        if (head.hasGenre) stationGenre_ = Clip(AnsiToWide(head.genre));
        if (head.hasUrl) stationUrl_ = Clip(AnsiToWide(head.url));
    }
    if (head.hasStationHeaders) hasStationHeaders_ = 1;
    metaInterval_ = head.metaInterval;
    metaCountdown_ = metaInterval_;

    // The body bytes that came with the head start the first block.
    StreamBlock* first;
    {
        Locked blocks(blockLock_);
        first = freeList_.Front();
    }
    if (!first) return fail();
    uint32_t body = static_cast<uint32_t>(std::min<size_t>(reader.BodyLength(), kStreamBlockSize));
    std::memcpy(first->data, reader.Body(), body);
    first->readPos = 0;
    first->fill = body - StripMetadata(first->data, body);
    return true;
}

void NetStreamReader::ReceiveThread() {
    std::wstring local;
    {
        Locked text(textLock_);
        local = url_;
    }
    std::wstring redirect;
    bool connected = false;
    for (int redirects = 0;; ++redirects) {
        connected = Connect(local, redirect);
        if (connected || redirect.empty() || redirects >= kMaxStreamRedirects || Stopping()) break;
        local = redirect;
    }
    if (!connected) {
        threadSignal_.Set();
        return;
    }

    StreamBlock* block;
    {
        Locked blocks(blockLock_);
        block = freeList_.PopFront();
        if (freeList_.Count() == 0) freeEvent_.Reset();
        currentBlock_ = block;
    }
    connectedEvent_.Set();
    threadSignal_.Set();

    const int fd = socket_;
    for (;;) {
        if (!block) {
            freeEvent_.Wait();
            if (Stopping()) break;
            Locked blocks(blockLock_);
            block = freeList_.PopFront();
            if (freeList_.Count() == 0) freeEvent_.Reset();
            if (!block) continue;
            block->fill = block->readPos = 0;
            currentBlock_ = block;
        }
        bool failed = false;
        while (block->fill < kStreamBlockSize) {
            if (!WaitSocket(fd, false, kDataSlices)) {
                failed = true;
                break;
            }
            ssize_t n = recv(fd, block->data + block->fill, kStreamBlockSize - block->fill, 0);
            if (n == 0) {
                endOfStream_ = 1;
                break;
            }
            if (n < 0) {
                if (WouldBlock(errno)) continue;
                failed = true;
                break;
            }
            uint32_t received = static_cast<uint32_t>(n);
            block->fill += received - StripMetadata(block->data + block->fill, received);
        }
        if (failed || Stopping()) break;
        if (block->fill > 0) {
            Locked blocks(blockLock_);
            dataList_.PushBack(block);
            currentBlock_ = block = nullptr;
            dataEvent_.Set();
            listedEvent_.Set();
        }
        if (endOfStream_) break;
    }
    // The half-filled block goes back to the pool; listed blocks stay readable.
    {
        Locked blocks(blockLock_);
        if (currentBlock_ && freeList_.PushBack(currentBlock_)) {
            currentBlock_->fill = currentBlock_->readPos = 0;
            currentBlock_ = nullptr;
            freeEvent_.Set();
        }
    }
    CloseSocket();
    listedEvent_.Set();
}

}  // namespace vl
