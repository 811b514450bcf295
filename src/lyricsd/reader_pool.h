#pragma once
// The read-only catalogue connections of the request threads. There are far more request
// threads (one per open connection) than cores, so a small pool of readers is shared: a
// request waits for a free one instead of every thread holding its own connection, page
// mapping and lock traffic, and the searches of many clients run a few at a time.
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "lyricsd/catalogue.h"

namespace vl::lyricsd {

class ReaderPool {
public:
    // size 0: one reader per core.
    ReaderPool(std::string dbPath, size_t size);
    ~ReaderPool();

    // A reader for the length of one request; empty when the index cannot be opened.
    class Lease {
    public:
        Lease(ReaderPool* pool, std::unique_ptr<Catalogue> reader) : pool_(pool), reader_(std::move(reader)) {}
        Lease(Lease&&) = default;
        ~Lease();
        Catalogue& operator*() const { return *reader_; }
        Catalogue* operator->() const { return reader_.get(); }
        explicit operator bool() const { return reader_ != nullptr; }

    private:
        ReaderPool* pool_;
        std::unique_ptr<Catalogue> reader_;
    };
    Lease Acquire();

private:
    void Release(std::unique_ptr<Catalogue> reader);

    // A request waiting for a reader. Readers given back go to the longest waiting request, so
    // under load every request waits its turn and none is overtaken again and again.
    struct Waiter {
        std::condition_variable woken;
        std::unique_ptr<Catalogue> reader;
        bool served = false;  // reader set, or empty when the waiter should open one itself
    };

    const std::string dbPath_;
    const size_t size_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<Catalogue>> idle_;
    std::deque<Waiter*> waiting_;
    size_t open_ = 0;  // readers opened or being opened, idle or leased
};

}  // namespace vl::lyricsd
