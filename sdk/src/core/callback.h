// A callback slot: one function pointer and its user data, behind a mutex that
// is held for the whole call so that after an unlisten no further call starts.
// The mutex is recursive: the function itself may listen or unlisten its own
// kind, and an unlisten there only keeps later calls from starting.
#pragma once

#include <mutex>

#include "druvex_sdk.h"
#include "sensor_error.h"

namespace druvex_sdk {

// How many callbacks are running on the calling thread. Calls that would wait
// for the running callback to end, or pull its data from under it, are
// refused there.
int& callbacks_running_here();
inline bool in_callback() { return callbacks_running_here() != 0; }

// Such calls are refused with refused_in_callback().

template <typename Function>
class Callback {
public:
    // Stores the function unless the slot is taken; returns false when taken.
    bool set(Function function, void* user_data) {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        if (function_ != nullptr) return false;
        function_ = function;
        user_data_ = user_data;
        return true;
    }

    void clear() {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        function_ = nullptr;
        user_data_ = nullptr;
    }

    bool is_set() {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        return function_ != nullptr;
    }

    template <typename... Args>
    void invoke(Args... args) {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        if (function_ == nullptr) return;
        const Running running;
        function_(args..., user_data_);
    }

private:
    // Counts the call in, and out again even when the function throws.
    struct Running {
        Running() { ++callbacks_running_here(); }
        ~Running() { --callbacks_running_here(); }
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;
    };

    std::recursive_mutex mutex_;
    Function function_ = nullptr;
    void* user_data_ = nullptr;
};

Callback<DruvexSensorErrorCallback>& error_callback();
Callback<DruvexNetworkPacketCallback>& network_packet_callback();
Callback<DruvexSensorRawFramesCallback>& raw_frames_callback();
Callback<DruvexSensorImageFramesCallback>& image_frames_callback();

}  // namespace druvex_sdk
