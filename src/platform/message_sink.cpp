#include "platform/message_sink.h"

#include <algorithm>
#include <chrono>

namespace vl {

void MessageQueue::Post(unsigned message, uintptr_t wParam, intptr_t lParam) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back({message, wParam, lParam});
    }
    cond_.notify_all();
}

bool MessageQueue::Get(Message& out, uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!cond_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !queue_.empty(); }))
        return false;
    out = queue_.front();
    queue_.pop_front();
    return true;
}

void MessageQueue::Remove(unsigned message) {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                                [message](const Message& m) { return m.message == message; }),
                 queue_.end());
}

size_t MessageQueue::Size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
}

}  // namespace vl
