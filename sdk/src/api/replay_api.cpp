// Exported calls that drive the SDK's own capture replay.
#include <string>

#include "capture/capture_replay.h"
#include "core/sdk_manager.h"
#include "druvex_sdk.h"

using druvex_sdk::global_capture_replay;
using druvex_sdk::report;
using druvex_sdk::SdkManager;
using druvex_sdk::SensorError;

namespace {

// Runs a replay operation that needs the SDK to be initialised. The replay
// itself refuses what its own callbacks must not do.
template <typename Body>
int32_t report_initialized(Body&& body) {
    return report([&] {
        if (!SdkManager::is_initialized()) return SensorError(DRUVEX_ERROR_NOT_INITIALIZED);
        return body();
    });
}

}  // namespace

extern "C" {

DRUVEX_API int32_t druvex_sdk_capture_replay_open(const char* path) {
    return report_initialized([&] {
        if (path == nullptr) return SensorError(DRUVEX_ERROR_INVALID_ARGUMENTS);
        return global_capture_replay().open(std::string(path));
    });
}

DRUVEX_API int32_t druvex_sdk_capture_replay_close(void) {
    return report([] { return global_capture_replay().close(); });
}

DRUVEX_API int32_t druvex_sdk_capture_replay_is_open(void) {
    return global_capture_replay().is_open() ? 1 : 0;
}

DRUVEX_API int64_t druvex_sdk_capture_replay_get_start_time(void) {
    return global_capture_replay().get_start_time();
}

DRUVEX_API float druvex_sdk_capture_replay_get_position(void) {
    return global_capture_replay().get_position();
}

DRUVEX_API float druvex_sdk_capture_replay_get_length(void) {
    return global_capture_replay().get_length();
}

DRUVEX_API int32_t druvex_sdk_capture_replay_is_end(void) {
    return global_capture_replay().is_end() ? 1 : 0;
}

DRUVEX_API int32_t druvex_sdk_capture_replay_is_running(void) {
    return global_capture_replay().is_running() ? 1 : 0;
}

DRUVEX_API int32_t druvex_sdk_capture_replay_get_enable_loop(void) {
    return global_capture_replay().get_enable_loop() ? 1 : 0;
}

DRUVEX_API int32_t druvex_sdk_capture_replay_set_enable_loop(int32_t enable) {
    return report_initialized([&] { return global_capture_replay().set_enable_loop(enable != 0); });
}

DRUVEX_API float druvex_sdk_capture_replay_get_speed(void) {
    return global_capture_replay().get_speed();
}

DRUVEX_API int32_t druvex_sdk_capture_replay_set_speed(float speed) {
    return report_initialized([&] { return global_capture_replay().set_speed(speed); });
}

DRUVEX_API int32_t druvex_sdk_capture_replay_seek(float position_sec) {
    return report_initialized([&] { return global_capture_replay().seek(position_sec); });
}

DRUVEX_API int32_t druvex_sdk_capture_replay_rewind(void) {
    return druvex_sdk_capture_replay_seek(0.0f);
}

DRUVEX_API int32_t druvex_sdk_capture_replay_resume(void) {
    return report_initialized([] { return global_capture_replay().resume(); });
}

DRUVEX_API int32_t druvex_sdk_capture_replay_resume_blocking(float duration_sec) {
    return report_initialized(
        [&] { return global_capture_replay().resume_blocking(duration_sec); });
}

DRUVEX_API int32_t druvex_sdk_capture_replay_resume_blocking_once(void) {
    return report_initialized([] { return global_capture_replay().resume_blocking_once(); });
}

DRUVEX_API int32_t druvex_sdk_capture_replay_pause(void) {
    return report([] { return global_capture_replay().pause(); });
}

}  // extern "C"
