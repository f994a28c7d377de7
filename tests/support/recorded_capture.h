// What a recording holds, read back with the SDK's capture reader.
#pragma once

#include "capture/capture.h"

#include <cstdint>
#include <string>
#include <vector>

namespace druvex::testing {

// The time stamp of every packet in the capture at `path`, in order; empty
// when it cannot be opened.
inline std::vector<int64_t> recorded_packet_times(const std::string& path) {
    druvex_sdk::Capture capture;
    std::vector<int64_t> times;
    if (capture.open_for_read(path)) return times;
    druvex_sdk::CapturePacketHeader header;
    const uint8_t* data = nullptr;
    while (!capture.read_packet(header, data)) times.push_back(header.timestamp);
    return times;
}

}  // namespace druvex::testing
