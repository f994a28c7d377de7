// The application's capture replay.
//
// The viewer drives the replay behind the SDK's exported replay calls; the
// SDK's replay class is not visible outside the library. Only this class
// knows that, so giving the application a replay object of its own later
// changes nothing else.
#pragma once

#include "sdk_utils.h"

#include <cstdint>
#include <functional>
#include <string>

namespace druvex {

class ReplayControl {
public:
    SdkError open(const std::string& path);
    SdkError close();
    bool is_open() const;
    bool is_running() const;
    bool is_end() const;
    int64_t get_start_time() const;
    float get_position() const;
    float get_length() const;
    SdkError set_enable_loop(bool enable);
    SdkError seek(float position_sec);
    SdkError resume();
    SdkError pause();
    // Replays unpaced on the calling thread for `duration_sec` of capture time.
    SdkError resume_blocking(float duration_sec);
    // Runs `function` with the replay paused and resumes it after if it ran.
    SdkError run_paused(const std::function<SdkError()>& function);
};

}  // namespace druvex
