// What a recording holds, read back with the SDK's capture reader.
#pragma once

#include "capture/capture.h"

#include <cstddef>
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

// One record of a PCAP file as its bytes say, read without the SDK.
struct CaptureRecord {
    size_t offset;      // of its 16-byte record header
    int64_t time_usec;  // its own time stamp
    uint32_t length;    // captured bytes after the record header
};

// The whole records of the classic PCAP file in `bytes`, in file order.
inline std::vector<CaptureRecord> capture_records(const uint8_t* bytes, size_t size) {
    const auto le32 = [bytes](size_t at) {
        return uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 |
               uint32_t{bytes[at + 3]} << 24;
    };
    std::vector<CaptureRecord> records;
    for (size_t at = 24; at + 16 <= size && at + 16 + le32(at + 8) <= size;
         at += 16 + le32(at + 8)) {
        records.push_back({at, int64_t{le32(at)} * 1000000 + le32(at + 4), le32(at + 8)});
    }
    return records;
}

}  // namespace druvex::testing
