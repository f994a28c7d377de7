// Helpers shared by the capture tests.
#include "capture_test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/byte_order.h"

namespace capture_test {

using druvex_sdk::store_be16;
using druvex_sdk::store_be32;
using druvex_sdk::store_le32;

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

bool file_exists(const std::string& path) { return std::filesystem::exists(path); }

TempDir::TempDir() {
    char pattern[] = "/tmp/druvex_capture_XXXXXX";
    const char* made = mkdtemp(pattern);
    EXPECT_NE(made, nullptr);
    dir_ = made != nullptr ? made : "/tmp";
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::vector<uint8_t> payload(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t k = 0; k < size; ++k) bytes[k] = static_cast<uint8_t>(seed * 31 + k * 7);
    return bytes;
}

void write_capture(const std::string& path, const std::vector<Packet>& packets) {
    druvex_sdk::Capture capture;
    ASSERT_EQ(capture.open_for_write(path, false).code, 0);
    for (const Packet& p : packets) {
        druvex_sdk::CapturePacketHeader header{p.handle, p.timestamp, p.data.size()};
        ASSERT_EQ(capture.write_packet(header, p.data.data()).code, 0);
    }
    ASSERT_EQ(capture.close().code, 0);
}

std::vector<Packet> sample_packets(size_t count, int64_t step_usec, int64_t start_usec) {
    std::vector<Packet> packets;
    for (size_t k = 0; k < count; ++k) {
        const uint64_t handle = k % 2 == 0 ? 0xC0A80A0Bu : 0x0A000002u;
        packets.push_back({handle, start_usec + static_cast<int64_t>(k) * step_usec,
                           payload(100 + (k * 37) % 1200, static_cast<uint8_t>(k))});
    }
    return packets;
}

std::vector<Packet> read_all(druvex_sdk::Capture& capture) {
    std::vector<Packet> packets;
    druvex_sdk::CapturePacketHeader header;
    const uint8_t* data = nullptr;
    while (capture.read_packet(header, data).code == 0) {
        packets.push_back(
            {header.handle, header.timestamp, std::vector<uint8_t>(data, data + header.size)});
    }
    return packets;
}

PcapBuilder::PcapBuilder(uint32_t magic, uint32_t link_type, int32_t thiszone) : bytes_(24) {
    store_le32(bytes_.data(), magic);
    bytes_[4] = 2;
    bytes_[6] = 4;
    store_le32(bytes_.data() + 8, static_cast<uint32_t>(thiszone));
    store_le32(bytes_.data() + 16, 65535);
    store_le32(bytes_.data() + 20, link_type);
}

PcapBuilder& PcapBuilder::record(int64_t time_usec, const std::vector<uint8_t>& frame) {
    return record_with_length(time_usec, frame, static_cast<uint32_t>(frame.size()));
}

PcapBuilder& PcapBuilder::record_with_length(int64_t time_usec, const std::vector<uint8_t>& frame,
                                             uint32_t incl_len) {
    uint8_t header[16];
    store_le32(header, static_cast<uint32_t>(time_usec / 1000000));
    store_le32(header + 4, static_cast<uint32_t>(time_usec % 1000000));
    store_le32(header + 8, incl_len);
    store_le32(header + 12, incl_len);
    bytes_.insert(bytes_.end(), header, header + 16);
    bytes_.insert(bytes_.end(), frame.begin(), frame.end());
    return *this;
}

std::vector<uint8_t> frame(const FrameSpec& spec, const std::vector<uint8_t>& payload) {
    const size_t udp = spec.with_udp_header ? 8 : 0;
    std::vector<uint8_t> bytes(14 + 20 + udp + payload.size() + spec.padding, 0);
    store_be16(bytes.data() + 12, spec.ether_type);
    uint8_t* ip = bytes.data() + 14;
    ip[0] = 0x45;
    store_be16(ip + 2, static_cast<uint16_t>(20 + udp + payload.size()));
    store_be16(ip + 4, spec.identification);
    store_be16(ip + 6,
               static_cast<uint16_t>((spec.more_fragments ? 0x2000 : 0) | spec.fragment_offset));
    ip[8] = 64;
    ip[9] = spec.protocol;
    store_be32(ip + 12, spec.source);
    store_be32(ip + 16, 0x0A0000FF);
    if (spec.with_udp_header) {
        store_be16(ip + 20, 443);
        store_be16(ip + 22, 8808);
        store_be16(ip + 24, spec.udp_length != 0 ? spec.udp_length
                                                 : static_cast<uint16_t>(payload.size() + 8));
    }
    std::copy(payload.begin(), payload.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(14 + 20 + udp));
    return bytes;
}

}  // namespace capture_test
