#include "engine/input/file_reader.h"

#include "platform/text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vl {

FileReader::~FileReader() { Close(); }

bool FileReader::Open(const std::wstring& path) {
    Locked lock(lock_);
    if (path.empty()) return false;
    // Not blocking in open: a FIFO would wait there for a writer.
    int fd = open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (fd_ >= 0) close(fd_);  // never leak an earlier handle
    fd_ = fd;
    lastError_ = 0;
    return true;
}

void FileReader::Close() {
    Locked lock(lock_);
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

int64_t FileReader::Seek(int64_t offset, int method) {
    if (fd_ < 0) return kNoPosition;
    Locked lock(lock_);
    if (fd_ < 0) return kNoPosition;
    int whence = method == FILE_CURRENT ? SEEK_CUR : method == FILE_END ? SEEK_END : SEEK_SET;
    off_t r = lseek(fd_, static_cast<off_t>(offset), whence);
    if (r < 0) return kNoPosition;
    return static_cast<int64_t>(r);
}

bool FileReader::Read(void* buffer, uint32_t count, uint32_t& bytesRead) {
    bytesRead = 0;
    if (fd_ < 0) return false;
    Locked lock(lock_);
    if (fd_ < 0) return false;
    auto* out = static_cast<uint8_t*>(buffer);
    while (bytesRead < count) {
        ssize_t n = read(fd_, out + bytesRead, count - bytesRead);
        if (n < 0) {
            if (errno == EINTR) continue;
            lastError_ = errno;
            return false;
        }
        if (n == 0) break;
        bytesRead += static_cast<uint32_t>(n);
    }
    lastError_ = 0;
    return true;
}

int64_t FileReader::GetSize() const {
    if (fd_ < 0) return 0;
    struct stat st;
    if (fstat(fd_, &st) != 0) return 0;
    return static_cast<int64_t>(st.st_size);
}

}  // namespace vl
