// A callback slot: one function pointer and its user data, behind a mutex that
// is held for the whole call so that after an unlisten no further call starts.
#pragma once

#include <mutex>

#include "druvex_sdk.h"

namespace druvex_sdk {

template <typename Function>
class Callback {
public:
    // Stores the function unless the slot is taken; returns false when taken.
    bool set(Function function, void* user_data) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (function_ != nullptr) return false;
        function_ = function;
        user_data_ = user_data;
        return true;
    }

    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        function_ = nullptr;
        user_data_ = nullptr;
    }

    bool is_set() {
        std::lock_guard<std::mutex> lock(mutex_);
        return function_ != nullptr;
    }

    template <typename... Args>
    void invoke(Args... args) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (function_ != nullptr) function_(args..., user_data_);
    }

private:
    std::mutex mutex_;
    Function function_ = nullptr;
    void* user_data_ = nullptr;
};

Callback<DruvexSensorErrorCallback>& error_callback();
Callback<DruvexNetworkPacketCallback>& network_packet_callback();
Callback<DruvexSensorRawFramesCallback>& raw_frames_callback();
Callback<DruvexSensorImageFramesCallback>& image_frames_callback();

}  // namespace druvex_sdk
