// Encoding and decoding of PCAP headers and the frames around a datagram.
#include "pcap_format.h"

#include <cstring>

#include "core/byte_order.h"
#include "core/packet_bytes.h"

namespace druvex_sdk {

void encode_file_header(uint8_t* out) {
    store_le32(out, kPcapMagic);
    store_le16(out + 4, 2);
    store_le16(out + 6, 4);
    store_le32(out + 8, 0);
    store_le32(out + 12, 0);
    store_le32(out + 16, kPcapSnapLength);
    store_le32(out + 20, kPcapLinkEthernet);
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

SensorError check_file_header(const PcapFileHeader& header) {
    if (header.magic != kPcapMagic || header.network != kPcapLinkEthernet) {
        return SensorError(DRUVEX_ERROR_INVALID_FILE_TYPE);
    }
    return success();
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
    if (available < kIpv4PayloadStart) return headers;
    headers.ether_type = load_be16(frame + 12);
    const uint8_t* ip = frame + kEthernetHeaderSize;
    headers.version_and_length = ip[0];
    headers.total_length = load_be16(ip + 2);
    headers.identification = load_be16(ip + 4);
    headers.flags_and_offset = load_be16(ip + 6);
    headers.protocol = ip[9];
    headers.source = load_be32(ip + 12);
    if (available >= kUdpPayloadStart) headers.udp_length = load_be16(ip + kIpv4HeaderSize + 4);
    return headers;
}

void encode_record_headers(uint8_t* out, uint64_t handle, int64_t time_usec, uint32_t size) {
    std::memset(out, 0, kRecordOverhead);
    const uint32_t frame_length = size + static_cast<uint32_t>(kUdpPayloadStart);
    store_le32(out, static_cast<uint32_t>(time_usec / 1000000));
    store_le32(out + 4, static_cast<uint32_t>(time_usec % 1000000));
    store_le32(out + 8, frame_length);
    store_le32(out + 12, frame_length);
    uint8_t* frame = out + kPcapRecordHeaderSize;
    store_be16(frame + 12, kEtherTypeIpv4);
    uint8_t* ip = frame + kEthernetHeaderSize;
    ip[0] = kIpv4VersionAndLength;
    store_be16(ip + 2, static_cast<uint16_t>(size + kIpv4HeaderSize + kUdpHeaderSize));
    ip[9] = kIpProtocolUdp;
    store_be32(ip + 12, static_cast<uint32_t>(handle));
    store_be32(ip + 16, 0xFFFFFFFFu);
    uint8_t* udp = ip + kIpv4HeaderSize;
    store_be16(udp, kCaptureSourcePort);
    store_be16(udp + 2, kCaptureDestinationPort);
    store_be16(udp + 4, static_cast<uint16_t>(size + kUdpHeaderSize));
}

}  // namespace druvex_sdk
