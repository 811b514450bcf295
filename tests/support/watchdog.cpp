#include "support/watchdog.h"

#include <cstdio>
#include <cstdlib>

namespace vl::test {

Watchdog::Watchdog() : thread_([this] { Run(); }) {}

Watchdog::~Watchdog() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void Watchdog::Arm(uint32_t limitMs, const std::string& what) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        armed_ = true;
        what_ = what;
        deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    }
    changed_.notify_all();
}

void Watchdog::Disarm() {
    std::lock_guard<std::mutex> lock(mutex_);
    armed_ = false;
}

void Watchdog::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!quit_) {
        if (!armed_) {
            changed_.wait(lock);
            continue;
        }
        if (changed_.wait_until(lock, deadline_) == std::cv_status::timeout && armed_ && !quit_ &&
            std::chrono::steady_clock::now() >= deadline_) {
            std::fprintf(stderr, "hung: %s\n", what_.c_str());
            std::fflush(stderr);
            std::_Exit(1);
        }
    }
}

}  // namespace vl::test
