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
// The largest frame an Ethernet capture holds, the largest snap length
// capture tools write for it.
constexpr uint32_t pcap_max_record_length = 262144;

constexpr size_t ethernet_header_size = 14;
constexpr size_t ipv4_header_size = 20;
constexpr size_t udp_header_size = 8;
// Link bytes in front of the IPv4 payload, and in front of the UDP payload.
constexpr size_t ipv4_payload_start = ethernet_header_size + ipv4_header_size;
constexpr size_t udp_payload_start = ipv4_payload_start + udp_header_size;
constexpr size_t record_overhead = pcap_record_header_size + udp_payload_start;
// The frame of the largest IPv4 packet.
constexpr uint32_t max_ipv4_frame_length = 65535 + ethernet_header_size;
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

// How the records of one capture read: their times are shifted by its time
// zone, and none can be longer than its snap length allows.
struct RecordFormat {
    int64_t time_offset = 0;  // microseconds added to every record time
    uint32_t max_length = pcap_max_record_length;
    uint32_t snap_length = 0;  // that bounds max_length; 0 when the link's largest frame does
};

// A snap length of 0, or one beyond what the link carries, does not bound
// the records: the link's largest frame does. One of 65535 or more keeps
// whole IPv4 packets, whose frames are longer by their Ethernet header: this
// system's own recordings hold frames of up to 65549 bytes under 65535.
RecordFormat record_format(const PcapFileHeader& header);

PcapRecordHeader decode_record_header(const uint8_t* in);
int64_t record_time(const PcapRecordHeader& header, int64_t time_offset);
inline int64_t record_time(const PcapRecordHeader& header, const RecordFormat& format) {
    return record_time(header, format.time_offset);
}

// Decodes the link headers of a frame of which `available` bytes were captured;
// the UDP length is filled only when the UDP header is among them.
FrameHeaders decode_frame_headers(const uint8_t* frame, size_t available);

// Writes the record header and the synthetic frame headers for a datagram of
// `size` bytes (at most max_datagram_size) into `out` (record_overhead bytes).
void encode_record_headers(uint8_t* out, uint64_t handle, int64_t time_usec, uint32_t size);

}  // namespace druvex_sdk
