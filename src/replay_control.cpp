#include "replay_control.h"

namespace druvex {
namespace {

// Reads a query and drops any failure it left on this thread (queries answer
// "no" or 0 when the SDK is down).
template <typename T>
T query(T value) {
    last_sdk_error();
    return value;
}

SdkError result() { return last_sdk_error(); }

}  // namespace

SdkError ReplayControl::open(const std::string& path) {
    druvex_sdk_capture_replay_open(path.c_str());
    return result();
}

SdkError ReplayControl::close() {
    druvex_sdk_capture_replay_close();
    return result();
}

bool ReplayControl::is_open() const { return query(druvex_sdk_capture_replay_is_open() == 1); }
bool ReplayControl::is_running() const { return query(druvex_sdk_capture_replay_is_running() == 1); }
bool ReplayControl::is_end() const { return query(druvex_sdk_capture_replay_is_end() == 1); }
int64_t ReplayControl::get_start_time() const { return query(druvex_sdk_capture_replay_get_start_time()); }
float ReplayControl::get_position() const { return query(druvex_sdk_capture_replay_get_position()); }
float ReplayControl::get_length() const { return query(druvex_sdk_capture_replay_get_length()); }

SdkError ReplayControl::set_enable_loop(bool enable) {
    druvex_sdk_capture_replay_set_enable_loop(enable ? 1 : 0);
    return result();
}

SdkError ReplayControl::seek(float position_sec) {
    druvex_sdk_capture_replay_seek(position_sec);
    return result();
}

SdkError ReplayControl::resume() {
    druvex_sdk_capture_replay_resume();
    return result();
}

SdkError ReplayControl::pause() {
    druvex_sdk_capture_replay_pause();
    return result();
}

SdkError ReplayControl::resume_blocking(float duration_sec) {
    druvex_sdk_capture_replay_resume_blocking(duration_sec);
    return result();
}

SdkError ReplayControl::run_paused(const std::function<SdkError()>& function) {
    const bool was_running = is_running();
    if (was_running) {
        if (SdkError error = pause(); !error.ok()) return error;
    }
    SdkError error = function();
    if (was_running) {
        if (SdkError resumed = resume(); error.ok()) error = resumed;
    }
    return error;
}

}  // namespace druvex
