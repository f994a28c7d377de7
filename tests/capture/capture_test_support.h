// Helpers shared by the capture tests: scratch directories, raw PCAP files
// built byte by byte, and an SDK session that records delivered packets.
#pragma once

#include "support/file_size_limit.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "capture/capture.h"

namespace capture_test {

std::vector<uint8_t> read_file(const std::string& path);
void write_file(const std::string& path, const std::vector<uint8_t>& bytes);
bool file_exists(const std::string& path);

using druvex::testing::FileSizeLimit;

class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
};

struct Packet {
    uint64_t handle = 0;
    int64_t timestamp = 0;
    std::vector<uint8_t> data;
    bool operator==(const Packet& other) const {
        return handle == other.handle && timestamp == other.timestamp && data == other.data;
    }
};

// A recognisable payload: `size` bytes derived from `seed`.
std::vector<uint8_t> payload(size_t size, uint8_t seed);

// Writes the packets with the SDK's writer; fails the test on error.
void write_capture(const std::string& path, const std::vector<Packet>& packets);
// Packets from `count` sources, `step_usec` apart, sizes varying.
std::vector<Packet> sample_packets(size_t count, int64_t step_usec,
                                   int64_t start_usec = 1700000000000000);
// Reads every datagram of an open capture until its end.
std::vector<Packet> read_all(druvex_sdk::Capture& capture);

// Raw PCAP bytes for records the SDK's writer would never produce.
class PcapBuilder {
public:
    explicit PcapBuilder(uint32_t magic = 0xA1B2C3D4u, uint32_t link_type = 1,
                         int32_t thiszone = 0);
    // One record holding `frame` (incl_len = frame size unless given).
    PcapBuilder& record(int64_t time_usec, const std::vector<uint8_t>& frame);
    PcapBuilder& record_with_length(int64_t time_usec, const std::vector<uint8_t>& frame,
                                    uint32_t incl_len);
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

struct FrameSpec {
    uint32_t source = 0x0A000001;
    uint16_t identification = 0;
    uint16_t fragment_offset = 0;  // in 8-byte units
    bool more_fragments = false;
    bool with_udp_header = true;
    uint16_t udp_length = 0;  // 0: payload size + 8
    uint16_t ether_type = 0x0800;
    uint8_t protocol = 17;
    size_t padding = 0;  // bytes after the IPv4 packet
};
// An Ethernet frame carrying `payload` after the IPv4 (and UDP) header.
std::vector<uint8_t> frame(const FrameSpec& spec, const std::vector<uint8_t>& payload);

}  // namespace capture_test
