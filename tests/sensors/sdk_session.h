// An initialised SDK with networking off, whose frame and error callbacks
// collect what they are given, for the length of one test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "druvex_sdk.h"

namespace druvex_test {

struct SeenError {
    uint64_t handle;
    int32_t code;
    std::string message;
    std::vector<uint8_t> data;
};

class SdkSession {
public:
    explicit SdkSession(uint32_t control_flags = 0);
    ~SdkSession();
    SdkSession(const SdkSession&) = delete;
    SdkSession& operator=(const SdkSession&) = delete;

    // Injects one packet as received from `handle`; returns the call's code.
    int32_t send(uint64_t handle, const std::vector<uint8_t>& packet, int64_t host_time_us = 1);
    int32_t send(uint64_t handle, const uint8_t* data, size_t size, int64_t host_time_us = 1);

    std::vector<DruvexSensorRawPointWithTime> raw;
    std::vector<DruvexSensorImagePoint> image;
    std::vector<SeenError> errors;
    size_t raw_calls = 0;

    void forget() {
        raw.clear();
        image.clear();
        errors.clear();
        raw_calls = 0;
    }
};

// Reads the float a fault callback was handed.
float fault_value(const SeenError& error);

}  // namespace druvex_test
