#pragma once
// Win32-style event: manual-reset events stay signalled until Reset, auto-reset events release
// one waiter and clear themselves.
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace vl {

constexpr uint32_t kInfinite = 0xFFFFFFFFu;

class Event {
public:
    Event(bool manualReset, bool initiallySignalled)
        : manual_(manualReset), signalled_(initiallySignalled) {}
    void Set();
    void Reset();
    bool IsSet() const;
    // True when the event was signalled within timeoutMs (kInfinite waits for ever).
    bool Wait(uint32_t timeoutMs = kInfinite);

private:
    mutable std::mutex mutex_;
    std::condition_variable cond_;
    const bool manual_;
    bool signalled_;
};

}  // namespace vl
