// Windowed reading of a read-only file.
#include "buffered_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace druvex_sdk {
namespace {

constexpr size_t kWindowSize = size_t{1} << 17;

}  // namespace

bool BufferedFile::open(const std::string& path) {
    close();
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return false;
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        close();
        return false;
    }
    size_ = static_cast<uint64_t>(info.st_size);
    return true;
}

void BufferedFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    size_ = 0;
    window_offset_ = 0;
    window_fill_ = 0;
    window_.reset();
    window_size_ = 0;
}

BufferedFile::Status BufferedFile::read_at(uint64_t offset, size_t count, const uint8_t** data) {
    const bool inside = offset >= window_offset_ && offset - window_offset_ <= window_fill_ &&
                        window_fill_ - (offset - window_offset_) >= count;
    if (!inside) {
        Status status = fill(offset, count);
        if (status != Status::ok) return status;
    }
    *data = window_.get() + (offset - window_offset_);
    return Status::ok;
}

BufferedFile::Status BufferedFile::fill(uint64_t offset, size_t count) {
    if (fd_ < 0) return Status::error;
    // Small files get a window of their own size; a read larger than the
    // window widens it.
    const size_t wanted =
        std::max(count, static_cast<size_t>(std::min<uint64_t>(size_, kWindowSize)));
    if (window_size_ < wanted) {
        window_.reset(new uint8_t[wanted]);
        window_size_ = wanted;
    }
    window_offset_ = offset;
    window_fill_ = 0;
    while (window_fill_ < window_size_) {
        const ssize_t n = ::pread(fd_, window_.get() + window_fill_, window_size_ - window_fill_,
                                  static_cast<off_t>(offset + window_fill_));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Status::error;
        if (n == 0) break;
        window_fill_ += static_cast<size_t>(n);
    }
    return window_fill_ >= count ? Status::ok : Status::end_of_file;
}

}  // namespace druvex_sdk
