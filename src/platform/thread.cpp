#include "platform/thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vl {

Thread::~Thread() { Join(); }

bool Thread::Start(std::function<void()> body) {
    if (thread_.joinable()) return false;
    finished_ = false;
    tid_ = 0;
    try {
        thread_ = std::thread([this, body = std::move(body)] {
            tid_ = static_cast<int>(syscall(SYS_gettid));
            body();
            finished_ = true;
        });
    } catch (...) {
        return false;
    }
    return true;
}

void Thread::Join() {
    if (thread_.joinable() && !IsCurrent()) thread_.join();
}

void Thread::SetPriority(int priority) {
    int tid = tid_.load();
    if (tid == 0) return;
    // Map the device scale onto nice values around the process's own.
    static const int kNice[] = {-10, -5, -2, 0, 2, 5, 8, 10};
    if (priority < 0) priority = 0;
    if (priority > 7) priority = 7;
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), kNice[priority]);
}

}  // namespace vl
