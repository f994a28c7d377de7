// Records live packets to a new capture file, written under the name the user
// chose from the first packet on, so a crash leaves what was recorded there.
#pragma once

#include "platform/sdk_utils.h"

#include "capture/capture.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace druvex {

// Safe to use from any thread: the SDK's processing thread appends while the
// GUI thread starts, flushes and stops.
class CaptureRecorder {
public:
    CaptureRecorder() = default;
    CaptureRecorder(const CaptureRecorder&) = delete;
    CaptureRecorder& operator=(const CaptureRecorder&) = delete;
    ~CaptureRecorder() { stop(nullptr); }

    // Starts a new capture at `path`. An existing file there is replaced only
    // with `replace` (the user agreed to it); otherwise starting fails. False
    // with the reason when no recording started.
    bool start(const std::string& path, bool replace, std::string* reason);
    // Writes one datagram stamped with the time it was received (microseconds
    // since 1970); nothing while not recording. A failed write ends the
    // recording (what was written is kept)
    // and returns the reason as the error's message.
    SdkError append(uint64_t handle, int64_t received_us, const uint8_t* data, size_t size);
    // Hands what is still buffered to the system once it has waited a while,
    // so that even the end of a burst of traffic survives a crash. Never
    // waits for a writer; meant to be called often. A failure ends the
    // recording, as a failed append does.
    SdkError flush_if_due();
    // Closes the file. False (with the reason) when it could not be
    // completed; true when nothing was recording.
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
    using Clock = std::chrono::steady_clock;

    bool finish(std::string* reason);
    SdkError flush_when_due(Clock::time_point now);
    SdkError end_on_failure(const druvex_sdk::SensorError& error);

    mutable std::mutex mutex_;
    druvex_sdk::Capture capture_;
    std::string path_;
    uint64_t packets_ = 0;
    Clock::time_point last_flush_{};
    uint64_t dropped_at_start_ = 0;  // the SDK's drop count when recording began
    uint64_t lost_ = 0;              // set when the recording ends, until taken
};

}  // namespace druvex
