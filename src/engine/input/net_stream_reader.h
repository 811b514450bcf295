#pragma once
// Fetches an internet radio stream over HTTP/1.0 with the ICY extensions on its own receive
// thread, strips the in-band metadata and hands the audio to the engine through a blocking
// Read from a pool of 2048-byte blocks.
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/critical_section.h"
#include "platform/event.h"
#include "platform/message_sink.h"
#include "platform/thread.h"
#include "platform/ptr_array.h"

namespace vl {

constexpr uint32_t kStreamBlockSize = 2048;
// The longest ICY metadata block: the length byte, then up to 255 × 16 bytes of text.
constexpr uint32_t kMaxMetaBlock = 255 * 16 + 1;
// Redirects followed by one Open; a longer chain (or a loop) fails the open.
constexpr int kMaxStreamRedirects = 10;

struct StreamBlock {
    uint8_t data[kStreamBlockSize];
    uint32_t fill = 0;
    uint32_t readPos = 0;
};

class IcyHeadReader;

// A list of blocks, oldest first, kept in a ring over a PtrArray whose slots are sized once per
// Open, so moving blocks between lists while streaming allocates nothing.
class StreamBlockList {
public:
    bool Reserve(int capacity);
    void Release();
    int Count() const { return count_; }
    StreamBlock* Front() const;
    StreamBlock* At(int index) const;  // index 0 is the front
    StreamBlock* PopFront();
    bool PushBack(StreamBlock* block);

private:
    PtrArray slots_;
    int head_ = 0;
    int count_ = 0;
};

class NetStreamReader {
public:
    NetStreamReader();
    ~NetStreamReader();
    NetStreamReader(const NetStreamReader&) = delete;
    NetStreamReader& operator=(const NetStreamReader&) = delete;

    void SetNotifyWindow(MessageSink* sink) { notifyWindow_ = sink; }
    bool SetUrl(const std::wstring& url);
    const std::wstring& GetUrl() const { return url_; }
    bool Open();
    void Close();
    void Reset();
    // Blocking read of exactly length audio bytes; false at the end of the data or after Close
    // (count then holds what was copied).
    bool Read(uint8_t* destination, uint32_t length, uint32_t& count);

    bool SetBufferBlocks(int n);
    int GetBufferBlocks() const { return bufferBlocks_; }
    bool SetPrebufferBlocks(int n);
    int GetPrebufferBlocks() const { return prebufferBlocks_; }
    int GetFilledBlocks();
    // Waits at most timeoutMs for the next block to be listed, the connection to end or a
    // stop request: the engine's wait for the prebuffer sleeps until something changed.
    void WaitListed(uint32_t timeoutMs) { listedEvent_.Wait(timeoutMs); }
    // Audio bytes a Read can take without waiting.
    uint32_t GetFilledBytes();
    int GetBufferState(uint32_t& totalBytes, uint32_t& filledBytes);
    void SetProxy(bool use, const std::wstring& proxy);
    bool GetProxy(std::wstring& proxy) const;
    void SetUserAgent(const std::wstring& agent);
    void GetUserAgent(std::wstring& agent) const;
    bool GetStreamInfo(std::wstring* name, std::wstring* genre, std::wstring* url);
    bool GetStreamTitle(std::wstring& out);
    bool IsEndOfStream() const { return endOfStream_ != 0; }
    bool HasStationHeaders() const { return hasStationHeaders_ != 0; }
    bool HasSocket() const { return socket_ >= 0; }
    // Set by the engine's Stop so that a pending connection or receive gives up at once; it
    // holds (Open fails at once) until ClearStopRequest, which the engine calls once its run
    // has ended.
    void RequestStop() {
        abortRequested_ = 1;
        listedEvent_.Set();
    }
    void ClearStopRequest() { abortRequested_ = 0; }

    // Removes ICY metadata from one received piece in place; returns the bytes removed.
    // Public for tests and the fuzzer.
    uint32_t StripMetadata(uint8_t* data, uint32_t length);
    void SetMetaInterval(int interval) { metaInterval_ = interval < 0 ? 0 : interval; metaCountdown_ = metaInterval_; }

private:
    void ReceiveThread();
    bool Connect(const std::wstring& url, std::wstring& redirect);
    void CloseSocket();
    void FreeBlocks();
    void AnnounceTitle();
    bool WaitSocket(int fd, bool forWrite, int maxSlices);
    bool ReceiveHead(int fd, IcyHeadReader& reader);

    std::atomic<MessageSink*> notifyWindow_{nullptr};
    CriticalSection blockLock_;
    CriticalSection callLock_;
    Thread thread_;
    std::atomic<int> socket_{-1};
    int metaInterval_ = 0;
    int metaCountdown_ = 0;
    std::wstring url_;
    std::wstring proxy_;
    std::wstring userAgent_ = L"Unknown";
    int useProxy_ = 0;
    std::wstring stationName_, stationGenre_, stationUrl_;
    std::atomic<int> hasStationHeaders_{0};
    // The current metadata block as received: length byte, then text. Guarded by textLock_.
    uint8_t metaBuffer_[kMaxMetaBlock] = {};
    int metaLength_ = 0;
    bool Stopping() const { return stopRequested_ || abortRequested_; }

    std::atomic<int> stopRequested_{0};   // Close's own request
    std::atomic<int> abortRequested_{0};  // the engine's, outlives Open and Close
    std::atomic<int> endOfStream_{0};
    int bufferBlocks_ = 32;
    int prebufferBlocks_ = 16;
    Event connectedEvent_{true, false};
    StreamBlockList dataList_;
    Event dataEvent_{true, true};
    StreamBlockList freeList_;
    Event freeEvent_{true, true};
    Event listedEvent_{false, false};  // a block listed, the thread ended, or a stop request
    wchar_t titleBuffer_[260] = {};  // posted with WM_ENGINE_TITLE; its last unit stays zero
    // Texts the window reads while the receive thread writes them: url, proxy, user agent,
    // station texts, the metadata block and the title buffer.
    mutable CriticalSection textLock_;
    int winsockReady_ = 1;
    Event threadSignal_{true, false};  // set when the thread connected or ended
    StreamBlock* currentBlock_ = nullptr;  // the block the receive thread fills
    int poolBlocks_ = 0;                   // blocks allocated by Open, freed by Close
};

}  // namespace vl
