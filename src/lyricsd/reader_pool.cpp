#include "lyricsd/reader_pool.h"

#include <algorithm>
#include <cstdio>
#include <thread>

namespace vl::lyricsd {

ReaderPool::ReaderPool(std::string dbPath, size_t size)
    : dbPath_(std::move(dbPath)), size_(size ? size : std::max(1u, std::thread::hardware_concurrency())) {}

ReaderPool::~ReaderPool() = default;

ReaderPool::Lease::~Lease() {
    if (reader_) pool_->Release(std::move(reader_));
}

ReaderPool::Lease ReaderPool::Acquire() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!idle_.empty() && waiting_.empty()) {
            // The reader used last, whose pages are the most likely to be warm.
            std::unique_ptr<Catalogue> reader = std::move(idle_.back());
            idle_.pop_back();
            return Lease(this, std::move(reader));
        }
        if (open_ >= size_) {
            Waiter waiter;
            waiting_.push_back(&waiter);
            waiter.woken.wait(lock, [&waiter] { return waiter.served; });
            if (waiter.reader) return Lease(this, std::move(waiter.reader));
        }
        ++open_;
    }
    auto reader = std::make_unique<Catalogue>();
    std::string error;
    if (reader->Open(dbPath_, false, &error)) return Lease(this, std::move(reader));
    std::fprintf(stderr, "versolune-lyricsd: %s\n", error.c_str());
    std::lock_guard<std::mutex> lock(mutex_);
    --open_;
    // The place this reader held is free again: the next waiter tries to open one.
    if (!waiting_.empty()) {
        Waiter* next = waiting_.front();
        waiting_.pop_front();
        next->served = true;
        next->woken.notify_one();
    }
    return Lease(this, nullptr);
}

void ReaderPool::Release(std::unique_ptr<Catalogue> reader) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (waiting_.empty()) {
        idle_.push_back(std::move(reader));
        return;
    }
    Waiter* next = waiting_.front();
    waiting_.pop_front();
    next->reader = std::move(reader);
    next->served = true;
    next->woken.notify_one();
}

}  // namespace vl::lyricsd
