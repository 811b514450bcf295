#pragma once
// How engine threads reach the window: posted messages with the device's numbers.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace vl {

constexpr unsigned WM_ENGINE_STATE = 0x2B11;
constexpr unsigned WM_ENGINE_PEAKS = 0x2B12;
constexpr unsigned WM_ENGINE_TITLE = 0x5221;

struct Message {
    unsigned message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Called from any thread; must not block for long.
    virtual void Post(unsigned message, uintptr_t wParam, intptr_t lParam) = 0;
};

// A thread-safe queue of posted messages: the terminal player's message loop and the tests.
class MessageQueue : public MessageSink {
public:
    void Post(unsigned message, uintptr_t wParam, intptr_t lParam) override;
    // Takes the oldest message; false when none arrived within timeoutMs.
    bool Get(Message& out, uint32_t timeoutMs);
    // Drops every queued message of this number (the stop command's clean-up).
    void Remove(unsigned message);
    size_t Size() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable cond_;
    std::deque<Message> queue_;
};

}  // namespace vl
