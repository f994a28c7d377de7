// Little-endian reads and writes of packet fields. The host is little-endian,
// so a field is a plain unaligned copy; callers check the length first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "packet decoding assumes a little-endian host"
#endif

namespace druvex_sdk {

template <typename T>
inline T read_le(const uint8_t* data, size_t offset) {
    T value;
    std::memcpy(&value, data + offset, sizeof(T));
    return value;
}

// The four ASCII characters of a magic in packet order, read as one word.
constexpr uint32_t magic_of(const char (&text)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}

}  // namespace druvex_sdk
