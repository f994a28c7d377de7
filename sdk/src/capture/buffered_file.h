// Read-only file with a large window buffer for record-by-record reading at
// arbitrary offsets: sequential reads are served from memory, and a read hands
// out a pointer into the window instead of copying.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

namespace druvex_sdk {

class BufferedFile {
public:
    enum class Status { ok, end_of_file, error };

    BufferedFile() = default;
    BufferedFile(const BufferedFile&) = delete;
    BufferedFile& operator=(const BufferedFile&) = delete;
    ~BufferedFile() { close(); }

    // False, with the reason in failure(), when the path names no regular
    // file that can be read.
    bool open(const std::string& path);
    void close();
    bool is_open() const { return fd_ >= 0; }
    // The file's size when it was opened.
    uint64_t size() const { return size_; }
    // When the file was last changed, as of its opening.
    const timespec& modified() const { return modified_; }
    // Why the last open or read that failed did so, as the system tells it.
    const std::string& failure() const { return failure_; }

    // Makes `count` bytes at `offset` available at `*data` until the next read.
    // A file that ends before offset + count gives end_of_file.
    Status read_at(uint64_t offset, size_t count, const uint8_t** data);

private:
    Status fill(uint64_t offset, size_t count);

    int fd_ = -1;
    uint64_t size_ = 0;
    timespec modified_{};
    std::unique_ptr<uint8_t[]> window_;
    size_t window_size_ = 0;
    uint64_t window_offset_ = 0;
    size_t window_fill_ = 0;
    size_t next_fill_ = 0;  // bytes the next fill reads, growing while reading on
    std::string failure_;
};

}  // namespace druvex_sdk
