// Capture recording into a temporary file that replaces its target at the end.
#include "capture_recorder.h"

#include "platform/safe_file.h"

#include "capture/capture_index.h"

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace druvex {

bool CaptureRecorder::start(const std::string& path, std::string* reason) {
    std::lock_guard<std::mutex> lock(mutex_);
    finish(nullptr);
    const std::string temporary = create_temporary_beside(path, reason);
    if (temporary.empty()) return false;
    errno = 0;
    if (druvex_sdk::SensorError error = capture_.open_for_write(temporary, false)) {
        if (reason != nullptr) *reason = errno != 0 ? error_text(errno) : error.what();
        discard_temporary(temporary);
        return false;
    }
    path_ = path;
    temporary_ = temporary;
    write_failed_ = false;
    packets_ = 0;
    dropped_at_start_ = druvex_sdk_get_n_dropped_packets();
    lost_ = 0;
    return true;
}

SdkError CaptureRecorder::append(uint64_t handle, const uint8_t* data, size_t size) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!capture_.is_open()) return SdkError();
    druvex_sdk::CapturePacketHeader header;
    header.handle = handle;
    header.size = size;
    errno = 0;
    const druvex_sdk::SensorError error = capture_.write_packet(header, data);
    if (!error) {
        ++packets_;
        return SdkError();
    }
    write_failed_ = true;
    write_failure_ = errno != 0 ? error_text(errno) : error.what();
    finish(nullptr);
    return SdkError(error.code, error.message);
}

bool CaptureRecorder::stop(std::string* reason) {
    std::lock_guard<std::mutex> lock(mutex_);
    return finish(reason);
}

bool CaptureRecorder::finish(std::string* reason) {
    if (temporary_.empty()) return true;
    lost_ = druvex_sdk_get_n_dropped_packets() - dropped_at_start_;
    errno = 0;
    const bool closed = !capture_.close();
    const int close_error = errno;
    bool ok = closed && !write_failed_;
    if (!ok && reason != nullptr) {
        *reason = write_failed_ ? write_failure_ : error_text(close_error);
    }
    // Even a recording cut short is the user's data: it goes under its name.
    std::string rename_reason;
    if (!replace_with_temporary(temporary_, path_, &rename_reason)) {
        if (ok && reason != nullptr) *reason = rename_reason;
        ok = false;
    } else {
        // An index left by a capture this one replaced describes other packets.
        ::unlink(druvex_sdk::capture_index_path(path_).c_str());
    }
    temporary_.clear();
    return ok;
}

bool CaptureRecorder::is_recording() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return capture_.is_open();
}

uint64_t CaptureRecorder::packet_count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return packets_;
}

uint64_t CaptureRecorder::take_lost_packets() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(lost_, 0);
}

std::string CaptureRecorder::path() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return path_;
}

}  // namespace druvex
