// Layout of classic PCAP files (microsecond time stamps, Ethernet links) and of
// the synthetic Ethernet/IPv4/UDP frame that carries each recorded datagram.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/sensor_error.h"

namespace druvex_sdk {

constexpr uint32_t pcap_magic = 0xA1B2C3D4u;
constexpr uint32_t pcap_link_ethernet = 1;
constexpr uint32_t pcap_snap_length = 65535;
constexpr size_t pcap_file_header_size = 24;
constexpr size_t pcap_record_header_size = 16;
// The largest snap length capture tools write: a record that claims more
// bytes than this is damage, not a packet.
constexpr uint32_t pcap_max_record_length = 262144;

constexpr size_t ethernet_header_size = 14;
constexpr size_t ipv4_header_size = 20;
constexpr size_t udp_header_size = 8;
// Link bytes in front of the IPv4 payload, and in front of the UDP payload.
constexpr size_t ipv4_payload_start = ethernet_header_size + ipv4_header_size;
constexpr size_t udp_payload_start = ipv4_payload_start + udp_header_size;
constexpr size_t record_overhead = pcap_record_header_size + udp_payload_start;
// The largest UDP payload an IPv4 total length can describe.
constexpr size_t max_datagram_size = 65535 - ipv4_header_size - udp_header_size;

constexpr uint16_t ether_type_ipv4 = 0x0800;
constexpr uint8_t ipv4_version_and_length = 0x45;
constexpr uint8_t ip_protocol_udp = 17;
constexpr uint16_t ip_more_fragments = 0x2000;
constexpr uint16_t ip_fragment_offset_mask = 0x1FFF;
constexpr uint16_t capture_source_port = 443;
constexpr uint16_t capture_destination_port = 8808;

struct PcapFileHeader {
    uint32_t magic = 0;
    uint16_t version_major = 0;
    uint16_t version_minor = 0;
    int32_t thiszone = 0;
    uint32_t sigfigs = 0;
    uint32_t snaplen = 0;
    uint32_t network = 0;
};

struct PcapRecordHeader {
    uint32_t ts_sec = 0;
    uint32_t ts_usec = 0;
    uint32_t incl_len = 0;
    uint32_t orig_len = 0;
};

// The Ethernet, IPv4 and UDP fields a reader needs, in host order.
struct FrameHeaders {
    uint16_t ether_type = 0;
    uint8_t version_and_length = 0;
    uint8_t protocol = 0;
    uint16_t total_length = 0;
    uint16_t identification = 0;
    uint16_t flags_and_offset = 0;
    uint32_t source = 0;
    uint16_t udp_length = 0;

    bool is_ipv4_udp() const {
        return ether_type == ether_type_ipv4 && version_and_length == ipv4_version_and_length &&
               protocol == ip_protocol_udp;
    }
    uint32_t fragment_offset() const { return flags_and_offset & ip_fragment_offset_mask; }
    bool more_fragments() const { return (flags_and_offset & ip_more_fragments) != 0; }
};

void encode_file_header(uint8_t* out);
PcapFileHeader decode_file_header(const uint8_t* in);
// Only microsecond, little-endian files of Ethernet frames are read; the
// refusal of any other says what the file is and what to do with it.
SensorError check_file_header(const PcapFileHeader& header);

PcapRecordHeader decode_record_header(const uint8_t* in);
int64_t record_time(const PcapRecordHeader& header, int64_t time_offset);

// Decodes the link headers of a frame of which `available` bytes were captured;
// the UDP length is filled only when the UDP header is among them.
FrameHeaders decode_frame_headers(const uint8_t* frame, size_t available);

// Writes the record header and the synthetic frame headers for a datagram of
// `size` bytes (at most max_datagram_size) into `out` (record_overhead bytes).
void encode_record_headers(uint8_t* out, uint64_t handle, int64_t time_usec, uint32_t size);

}  // namespace druvex_sdk
