// The application's capture replay: opening, transport and delivery to the views.
#include "replay_control.h"

#include <algorithm>

namespace druvex {
namespace {

druvex_sdk::SensorError to_sensor_error(const SdkError& error) {
    return error.ok() ? druvex_sdk::success() : druvex_sdk::SensorError(error.code, error.message);
}

// The replay reports through its result. The exported calls it makes inside
// (control flags, clear) leave their failures stored on this thread as well,
// where the next unrelated call would report them again.
SdkError result(const druvex_sdk::SensorError& error) {
    druvex_sdk_get_error(nullptr);
    return SdkError(error.code, error.message);
}

druvex_sdk::SensorError deliver(DruvexNetworkPacketCallback on_packet, void* user, uint64_t handle,
                                int64_t timestamp_usec, const uint8_t* data, size_t size) {
    if (on_packet != nullptr) on_packet(handle, timestamp_usec, data, size, user);
    if (druvex_sdk_mock_network_receive(handle, timestamp_usec, data, size) == DRUVEX_SUCCESS) {
        return druvex_sdk::success();
    }
    // Fetched rather than left stored: the replay hands it on as the step's
    // result, and a stored copy would answer for the next packet too.
    return to_sensor_error(last_sdk_error());
}

}  // namespace

ReplayControl::ReplayControl(DruvexNetworkPacketCallback on_packet, void* user,
                             std::function<void(const SdkError&)> on_error)
    : replay_(
          [on_packet, user](uint64_t handle, int64_t timestamp_usec, const uint8_t* data,
                            size_t size) {
              return deliver(on_packet, user, handle, timestamp_usec, data, size);
          },
          [on_error](int32_t code, const std::string& message) {
              if (on_error) on_error(SdkError(code, message));
          }) {}

SdkError ReplayControl::open(const std::string& path) { return result(replay_.open(path)); }
SdkError ReplayControl::close() { return result(replay_.close()); }
SdkError ReplayControl::set_enable_loop(bool enable) {
    return result(replay_.set_enable_loop(enable));
}
SdkError ReplayControl::set_speed(float speed) { return result(replay_.set_speed(speed)); }
SdkError ReplayControl::seek(float position_sec) {
    // The capture refuses its own length as a position (no record lies after
    // it), yet the slider's right end and a step in the last second mean the
    // last record, not a failed seek that leaves the replay where it was.
    if (replay_.is_open() && position_sec >= replay_.get_length()) return seek_last_record();
    return result(replay_.seek(position_sec));
}

// Positions travel in float seconds, whose steps grow with the length: the
// largest position below the length that the capture takes lands on its last
// record, or on one a few float steps before it. The replay stays paused
// while the search tries its way down.
SdkError ReplayControl::seek_last_record() {
    return result(replay_.run_paused([this] {
        const float length = replay_.get_length();
        for (float back = 0.0f;; back = back == 0.0f ? 1e-6f : 2.0f * back) {
            const float position = std::max(length - back, 0.0f);
            druvex_sdk::SensorError error = replay_.seek(position);
            if (error.code != DRUVEX_ERROR_INVALID_ARGUMENTS || position == 0.0f) return error;
        }
    }));
}
SdkError ReplayControl::resume() { return result(replay_.resume()); }
SdkError ReplayControl::pause() { return result(replay_.pause()); }

SdkError ReplayControl::resume_blocking(float duration_sec) {
    return result(replay_.resume_blocking(duration_sec));
}

SdkError ReplayControl::resume_blocking_to(float position_sec) {
    while (replay_.is_open() && !replay_.is_end() && replay_.get_position() < position_sec) {
        if (druvex_sdk::SensorError error = replay_.resume_blocking_once()) return result(error);
    }
    return SdkError();
}

SdkError ReplayControl::run_paused(const std::function<SdkError()>& function) {
    return result(replay_.run_paused([&function] { return to_sensor_error(function()); }));
}

}  // namespace druvex
