#pragma once
// Ends the test program with a message when a watched call does not return in time: a hang
// cannot be recovered from inside a test, and waiting for the test runner's limit hides which
// call hung.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace vl::test {

class Watchdog {
public:
    Watchdog();
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // Watches the calls until Disarm: if they take longer than limitMs, prints "hung: what"
    // on stderr and ends the process with status 1.
    void Arm(uint32_t limitMs, const std::string& what);
    void Disarm();

    // Runs call under the watch.
    template <typename Call>
    auto Watch(uint32_t limitMs, const std::string& what, Call call) {
        struct Guard {
            Watchdog& dog;
            ~Guard() { dog.Disarm(); }
        } guard{*this};
        Arm(limitMs, what);
        return call();
    }

private:
    void Run();

    std::mutex mutex_;
    std::condition_variable changed_;
    bool armed_ = false;
    bool quit_ = false;
    std::chrono::steady_clock::time_point deadline_;
    std::string what_;
    std::thread thread_;
};

}  // namespace vl::test
