#pragma once
// A locked file handle shared by the user-interface thread (seeks, tags) and the decode thread.
#include <cstdint>
#include <string>

#include "platform/critical_section.h"

namespace vl {

constexpr int64_t kNoPosition = 0x7FFFFFFFFFFFFFFFLL;
enum SeekMethod { FILE_BEGIN = 0, FILE_CURRENT = 1, FILE_END = 2 };

class FileReader {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // A handle already open is closed once the new file has opened; on failure it stays.
    bool Open(const std::wstring& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    // New position, or kNoPosition when closed or the seek failed.
    int64_t Seek(int64_t offset, int method);
    int64_t Tell() { return Seek(0, FILE_CURRENT); }
    // End of file is a successful read of 0 bytes. On failure LastError() is the errno.
    bool Read(void* buffer, uint32_t count, uint32_t& bytesRead);
    int64_t GetSize() const;
    int LastError() const { return lastError_; }
    // Held by callers whose seek-and-read sequences must not interleave (frame searches).
    CriticalSection& Lock() { return lock_; }

private:
    int fd_ = -1;
    int lastError_ = 0;
    CriticalSection lock_;
};

}  // namespace vl
