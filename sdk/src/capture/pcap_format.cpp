// Encoding and decoding of PCAP headers and the frames around a datagram.
#include "pcap_format.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/byte_order.h"
#include "core/packet_bytes.h"

namespace druvex_sdk {

void encode_file_header(uint8_t* out) {
    store_le32(out, pcap_magic);
    store_le16(out + 4, 2);
    store_le16(out + 6, 4);
    store_le32(out + 8, 0);
    store_le32(out + 12, 0);
    store_le32(out + 16, pcap_snap_length);
    store_le32(out + 20, pcap_link_ethernet);
}

PcapFileHeader decode_file_header(const uint8_t* in) {
    PcapFileHeader header;
    header.magic = read_le<uint32_t>(in, 0);
    header.version_major = read_le<uint16_t>(in, 4);
    header.version_minor = read_le<uint16_t>(in, 6);
    header.thiszone = static_cast<int32_t>(read_le<uint32_t>(in, 8));
    header.sigfigs = read_le<uint32_t>(in, 12);
    header.snaplen = read_le<uint32_t>(in, 16);
    header.network = read_le<uint32_t>(in, 20);
    return header;
}

namespace {

// Magic numbers of captures this reader does not take, as read little-endian.
constexpr uint32_t pcapng_magic = 0x0A0D0D0Au;
constexpr uint32_t nanosecond_magic = 0xA1B23C4Du;
constexpr uint32_t swapped_magic = 0xD4C3B2A1u;
constexpr uint32_t swapped_nanosecond_magic = 0x4D3CB2A1u;
constexpr uint32_t link_linux_cooked = 113;
constexpr uint32_t link_linux_cooked_v2 = 276;

SensorError refuse(const std::string& message) {
    return SensorError(DRUVEX_ERROR_INVALID_FILE_TYPE, message);
}

// The usual tools save in these forms by default; the message says which one
// the file is and how to convert it, since the user cannot tell otherwise.
SensorError check_magic(uint32_t magic) {
    const std::string convert = ": save it as pcap (editcap -F pcap IN OUT)";
    switch (magic) {
        case pcap_magic: return success();
        case pcapng_magic: return refuse("pcapng capture" + convert);
        case nanosecond_magic:
        case swapped_nanosecond_magic: return refuse("nanosecond pcap capture" + convert);
        case swapped_magic: return refuse("big-endian pcap capture" + convert);
        default: return refuse("not a pcap capture");
    }
}

SensorError check_link_type(uint32_t network) {
    const std::string link = "link type " + std::to_string(network);
    switch (network) {
        case pcap_link_ethernet: return success();
        case link_linux_cooked:
        case link_linux_cooked_v2:
            return refuse(
                link + (network == link_linux_cooked ? " (Linux cooked)" : " (Linux cooked v2)") +
                " captures are not supported: record on one interface");
        default:
            return refuse(link + " captures are not supported: record on an Ethernet interface");
    }
}

}  // namespace

SensorError check_file_header(const PcapFileHeader& header) {
    if (SensorError error = check_magic(header.magic)) return error;
    return check_link_type(header.network);
}

RecordFormat record_format(const PcapFileHeader& header) {
    RecordFormat format;
    format.time_offset = int64_t{header.thiszone} * 1000000;
    const uint32_t snap = header.snaplen;
    if (snap == 0 || snap >= pcap_max_record_length) return format;
    format.snap_length = snap;
    format.max_length = snap >= pcap_snap_length ? std::max(snap, max_ipv4_frame_length) : snap;
    return format;
}

PcapRecordHeader decode_record_header(const uint8_t* in) {
    PcapRecordHeader header;
    header.ts_sec = read_le<uint32_t>(in, 0);
    header.ts_usec = read_le<uint32_t>(in, 4);
    header.incl_len = read_le<uint32_t>(in, 8);
    header.orig_len = read_le<uint32_t>(in, 12);
    return header;
}

int64_t record_time(const PcapRecordHeader& header, int64_t time_offset) {
    return static_cast<int64_t>(header.ts_sec) * 1000000 + header.ts_usec + time_offset;
}

FrameHeaders decode_frame_headers(const uint8_t* frame, size_t available) {
    FrameHeaders headers;
    if (available < ipv4_payload_start) return headers;
    headers.ether_type = load_be16(frame + 12);
    const uint8_t* ip = frame + ethernet_header_size;
    headers.version_and_length = ip[0];
    headers.total_length = load_be16(ip + 2);
    headers.identification = load_be16(ip + 4);
    headers.flags_and_offset = load_be16(ip + 6);
    headers.protocol = ip[9];
    headers.source = load_be32(ip + 12);
    if (available >= udp_payload_start) headers.udp_length = load_be16(ip + ipv4_header_size + 4);
    return headers;
}

void encode_record_headers(uint8_t* out, uint64_t handle, int64_t time_usec, uint32_t size) {
    std::memset(out, 0, record_overhead);
    const uint32_t frame_length = size + static_cast<uint32_t>(udp_payload_start);
    store_le32(out, static_cast<uint32_t>(time_usec / 1000000));
    store_le32(out + 4, static_cast<uint32_t>(time_usec % 1000000));
    store_le32(out + 8, frame_length);
    store_le32(out + 12, frame_length);
    uint8_t* frame = out + pcap_record_header_size;
    store_be16(frame + 12, ether_type_ipv4);
    uint8_t* ip = frame + ethernet_header_size;
    ip[0] = ipv4_version_and_length;
    store_be16(ip + 2, static_cast<uint16_t>(size + ipv4_header_size + udp_header_size));
    ip[9] = ip_protocol_udp;
    store_be32(ip + 12, static_cast<uint32_t>(handle));
    store_be32(ip + 16, 0xFFFFFFFFu);
    uint8_t* udp = ip + ipv4_header_size;
    store_be16(udp, capture_source_port);
    store_be16(udp + 2, capture_destination_port);
    store_be16(udp + 4, static_cast<uint16_t>(size + udp_header_size));
}

}  // namespace druvex_sdk
