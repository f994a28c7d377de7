// Windowed reading of a read-only file.
#include "buffered_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "regular_file.h"

namespace druvex_sdk {
namespace {

// A read that jumps elsewhere (a seek) fills only a small window, so that it
// costs about one record; reading on from the window doubles it up to the
// large window that sequential reading is fast with.
constexpr size_t small_window = size_t{1} << 12;
constexpr size_t large_window = size_t{1} << 17;

}  // namespace

bool BufferedFile::open(const std::string& path) {
    close();
    fd_ = open_regular_file(path, O_RDONLY, failure_);
    if (fd_ < 0) return false;
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        failure_ = system_error_text(errno);
        close();
        return false;
    }
    size_ = static_cast<uint64_t>(info.st_size);
    modified_ = info.st_mtim;
    return true;
}

void BufferedFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    size_ = 0;
    modified_ = timespec{};
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
    const bool reads_on =
        window_fill_ != 0 && offset >= window_offset_ && offset - window_offset_ <= window_fill_;
    next_fill_ = reads_on ? std::min(next_fill_ * 2, large_window) : small_window;
    // A read larger than the window widens it; nothing is read past the file.
    const uint64_t left = offset < size_ ? size_ - offset : 0;
    const size_t wanted =
        std::max(count, static_cast<size_t>(std::min<uint64_t>(left, next_fill_)));
    if (window_size_ < wanted) {
        window_.reset(new uint8_t[wanted]);
        window_size_ = wanted;
    }
    window_offset_ = offset;
    window_fill_ = 0;
    while (window_fill_ < wanted) {
        const ssize_t n = ::pread(fd_, window_.get() + window_fill_, wanted - window_fill_,
                                  static_cast<off_t>(offset + window_fill_));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            failure_ = system_error_text(errno);
            return Status::error;
        }
        if (n == 0) break;
        window_fill_ += static_cast<size_t>(n);
    }
    return window_fill_ >= count ? Status::ok : Status::end_of_file;
}

}  // namespace druvex_sdk
