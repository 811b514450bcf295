#pragma once
// A joinable worker thread with best-effort priorities in the device's scale
// (0 time critical, 2 above normal, 3 normal, 4 below normal, 7 idle).
#include <atomic>
#include <functional>
#include <thread>

namespace vl {

constexpr int THREAD_PRIORITY_TIME_CRITICAL = 0;
constexpr int THREAD_PRIORITY_HIGHEST = 1;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 2;
constexpr int THREAD_PRIORITY_NORMAL = 3;
constexpr int THREAD_PRIORITY_BELOW_NORMAL = 4;
constexpr int THREAD_PRIORITY_LOWEST = 5;
constexpr int THREAD_PRIORITY_IDLE = 7;

class Thread {
public:
    Thread() = default;
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    bool Start(std::function<void()> body);
    void Join();
    bool Joinable() const { return thread_.joinable(); }
    bool IsCurrent() const { return thread_.get_id() == std::this_thread::get_id(); }
    // True once the body has returned (the thread may still need joining).
    bool Finished() const { return finished_.load(); }
    // Never fails: where the system refuses (for example raising priority without rights),
    // the thread keeps its priority.
    void SetPriority(int priority);

private:
    std::thread thread_;
    std::atomic<int> tid_{0};
    std::atomic<bool> finished_{false};
};

}  // namespace vl
