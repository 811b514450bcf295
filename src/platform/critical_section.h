#pragma once
// A re-entrant lock paired with a depth counter: acquire enters and counts, release leaves only
// while the count is non-zero, so an unbalanced release is harmless.
#include <atomic>
#include <mutex>
#include <thread>

namespace vl {

class CriticalSection {
public:
    void Acquire() {
        mutex_.lock();
        owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
        ++depth_;
    }
    void Release() {
        // Only the owning thread may leave; a stray release from elsewhere does nothing.
        if (depth_ == 0 || owner_.load(std::memory_order_relaxed) != std::this_thread::get_id()) return;
        if (--depth_ == 0) owner_.store(std::thread::id(), std::memory_order_relaxed);
        mutex_.unlock();
    }
    bool TryAcquire() {
        if (!mutex_.try_lock()) return false;
        owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
        ++depth_;
        return true;
    }
    // Depth of the current holder (0 when free or held by nobody).
    int Depth() const { return depth_; }
    bool HeldByCurrentThread() const {
        return depth_ > 0 && owner_.load(std::memory_order_relaxed) == std::this_thread::get_id();
    }

private:
    std::recursive_mutex mutex_;
    std::atomic<std::thread::id> owner_{};
    // Changed only by the holder, but read by any thread (Release's test, Depth).
    std::atomic<int> depth_{0};
};

// Scoped acquire/release.
class Locked {
public:
    explicit Locked(CriticalSection& cs) : cs_(cs) { cs_.Acquire(); }
    // Takes over a lock the caller already acquired (for example with TryAcquire).
    Locked(CriticalSection& cs, std::adopt_lock_t) : cs_(cs) {}
    ~Locked() { cs_.Release(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    CriticalSection& cs_;
};

}  // namespace vl
