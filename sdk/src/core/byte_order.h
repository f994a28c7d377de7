// Big-endian loads (network byte order) and stores in either byte order of
// fixed-width integers through unaligned pointers. Little-endian loads are
// read_le of packet_bytes.h.
#pragma once

#include <cstdint>

namespace druvex_sdk {

inline uint16_t load_be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

inline uint32_t load_be32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

inline void store_le16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void store_be16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

inline void store_le32(uint8_t* p, uint32_t v) {
    store_le16(p, static_cast<uint16_t>(v));
    store_le16(p + 2, static_cast<uint16_t>(v >> 16));
}

inline void store_be32(uint8_t* p, uint32_t v) {
    store_be16(p, static_cast<uint16_t>(v >> 16));
    store_be16(p + 2, static_cast<uint16_t>(v));
}

inline void store_le64(uint8_t* p, uint64_t v) {
    store_le32(p, static_cast<uint32_t>(v));
    store_le32(p + 4, static_cast<uint32_t>(v >> 32));
}

}  // namespace druvex_sdk
