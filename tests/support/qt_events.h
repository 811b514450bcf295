#pragma once
// The GUI tests' event loop helpers (header only: the support library itself has no Qt).
#include <QApplication>

#include <chrono>
#include <functional>
#include <thread>

namespace vl::test {

// One QApplication per test program (offscreen platform, set by the test environment).
inline void EnsureApplication() {
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
}

// Pumps the event loop until done() holds; false after timeoutMs.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

inline void Pump(int ms) {
    PumpUntil([] { return false; }, ms);
}

}  // namespace vl::test
