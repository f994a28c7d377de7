// The application's own capture replay: the SDK's replay class, fed to the
// viewer's network-packet handler and then into the SDK through its exported
// mock receive (the SDK's packet slot is out of reach from here), with results
// as the viewer's SdkError.
#pragma once

#include "platform/sdk_utils.h"

#include "capture/capture_replay.h"

#include <cstdint>
#include <functional>
#include <string>

namespace druvex {

class ReplayControl {
public:
    // `on_packet` and `user` are the handler that the application registers
    // with druvex_sdk_listen_network_packet for live traffic. `on_error` hears
    // what the capture itself reports: as it opens (a damaged record that ends
    // it early, a clock that steps back) and, on the replay thread, while it
    // plays (records cut by the snap length).
    ReplayControl(DruvexNetworkPacketCallback on_packet, void* user,
                  std::function<void(const SdkError&)> on_error = {});

    SdkError open(const std::string& path);
    SdkError close();
    bool is_open() { return replay_.is_open(); }
    std::string get_filename() { return replay_.get_filename(); }
    bool is_running() const { return replay_.is_running(); }
    bool is_end() const { return replay_.is_end(); }
    int64_t get_start_time() { return replay_.get_start_time(); }
    float get_position() { return replay_.get_position(); }
    float get_length() { return replay_.get_length(); }
    float get_speed() const { return replay_.get_speed(); }
    SdkError set_enable_loop(bool enable);
    SdkError set_speed(float speed);
    // A position at or past the capture's length goes to its last record.
    SdkError seek(float position_sec);
    SdkError resume();
    SdkError pause();
    // Replays unpaced on the calling thread for `duration_sec` of capture time.
    SdkError resume_blocking(float duration_sec);
    // Replays unpaced on the calling thread up to the first record at or after
    // `position_sec`, that record included, or to the last record: the
    // position is then where it was asked to be, not a record past it.
    SdkError resume_blocking_to(float position_sec);
    // Runs `function` with the replay paused and resumes it after if it ran.
    SdkError run_paused(const std::function<SdkError()>& function);

private:
    SdkError seek_last_record();

    druvex_sdk::CaptureReplay replay_;
};

}  // namespace druvex
