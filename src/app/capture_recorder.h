// Records live packets to a new capture file, which appears under its name
// only when the recording ends.
#pragma once

#include "platform/sdk_utils.h"

#include "capture/capture.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace druvex {

// Safe to use from any thread: the SDK's processing thread appends while the
// GUI thread starts and stops.
class CaptureRecorder {
public:
    CaptureRecorder() = default;
    CaptureRecorder(const CaptureRecorder&) = delete;
    CaptureRecorder& operator=(const CaptureRecorder&) = delete;
    ~CaptureRecorder() { stop(nullptr); }

    // False with the reason when no file can be written beside `path`.
    bool start(const std::string& path, std::string* reason);
    // Writes one datagram stamped with the current time; nothing while not
    // recording. A failed write ends the recording (what was written is kept).
    SdkError append(uint64_t handle, const uint8_t* data, size_t size);
    // Closes the file and puts it under its name. False (with the reason) when
    // it could not be completed; true when nothing was recording.
    bool stop(std::string* reason);

    bool is_recording() const;
    // Datagrams written since the last start.
    uint64_t packet_count() const;
    // Live packets the SDK dropped unprocessed, its backlog being too long,
    // while the last recording ran: traffic its file is missing. Given once:
    // 0 again until another recording ends.
    uint64_t take_lost_packets();
    // The file of the current or the last recording.
    std::string path() const;

private:
    bool finish(std::string* reason);

    mutable std::mutex mutex_;
    druvex_sdk::Capture capture_;
    std::string path_;
    std::string temporary_;
    bool write_failed_ = false;
    std::string write_failure_;
    uint64_t packets_ = 0;
    uint64_t dropped_at_start_ = 0;  // the SDK's drop count when recording began
    uint64_t lost_ = 0;              // set when the recording ends, until taken
};

}  // namespace druvex
