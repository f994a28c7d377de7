// Capture recording straight into the file the user named.
#include "capture_recorder.h"

#include "platform/safe_file.h"

#include "capture/capture_index.h"

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace druvex {
namespace {

// How long written packets may wait in memory before they go to the file.
constexpr auto flush_period = std::chrono::milliseconds(250);

// The system's reason when there is one: it says more than the code.
std::string failure_text(const druvex_sdk::SensorError& error, int saved_errno) {
    return saved_errno != 0 ? error_text(saved_errno) : error.message;
}

}  // namespace

bool CaptureRecorder::start(const std::string& path, bool replace, std::string* reason) {
    std::lock_guard<std::mutex> lock(mutex_);
    finish(nullptr);
    if (!create_recording_file(path, replace, reason)) return false;
    // An index left by a capture of the same name describes other packets.
    remove_stale_file(druvex_sdk::capture_index_path(path), nullptr);
    errno = 0;
    // Appending to the new empty file gives it its file header.
    if (druvex_sdk::SensorError error = capture_.open_for_write(path, true)) {
        if (reason != nullptr) *reason = errno != 0 ? error_text(errno) : error.what();
        if (!replace) ::unlink(path.c_str());  // the new empty file made above, not a link
        return false;
    }
    path_ = path;
    packets_ = 0;
    last_flush_ = Clock::now();
    dropped_at_start_ = druvex_sdk_get_n_dropped_packets();
    lost_ = 0;
    return true;
}

SdkError CaptureRecorder::append(uint64_t handle, int64_t received_us, const uint8_t* data,
                                 size_t size) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!capture_.is_open()) return SdkError();
    druvex_sdk::CapturePacketHeader header;
    header.handle = handle;
    header.timestamp = received_us;
    header.size = size;
    errno = 0;
    if (druvex_sdk::SensorError error = capture_.write_packet(header, data)) {
        return end_on_failure(error);
    }
    ++packets_;
    return flush_when_due(Clock::now());
}

SdkError CaptureRecorder::flush_if_due() {
    std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock() || !capture_.is_open()) return SdkError();
    return flush_when_due(Clock::now());
}

SdkError CaptureRecorder::flush_when_due(Clock::time_point now) {
    if (now - last_flush_ < flush_period) return SdkError();
    last_flush_ = now;
    errno = 0;
    if (druvex_sdk::SensorError error = capture_.flush()) return end_on_failure(error);
    return SdkError();
}

// Recording stops at the first failed write; what was written is kept.
SdkError CaptureRecorder::end_on_failure(const druvex_sdk::SensorError& error) {
    const std::string text = failure_text(error, errno);
    finish(nullptr);
    return SdkError(error.code, text);
}

bool CaptureRecorder::stop(std::string* reason) {
    std::lock_guard<std::mutex> lock(mutex_);
    return finish(reason);
}

bool CaptureRecorder::finish(std::string* reason) {
    if (!capture_.is_open()) return true;
    lost_ = druvex_sdk_get_n_dropped_packets() - dropped_at_start_;
    errno = 0;
    if (!capture_.close()) return true;
    if (reason != nullptr) *reason = error_text(errno);
    return false;
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
