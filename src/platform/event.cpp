#include "platform/event.h"

#include <chrono>

namespace vl {

void Event::Set() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        signalled_ = true;
    }
    if (manual_) cond_.notify_all();
    else cond_.notify_one();
}

void Event::Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = false;
}

bool Event::IsSet() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return signalled_;
}

bool Event::Wait(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto ready = [this] { return signalled_; };
    if (timeoutMs == kInfinite) cond_.wait(lock, ready);
    else if (!cond_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) return false;
    if (!manual_) signalled_ = false;
    return true;
}

}  // namespace vl
