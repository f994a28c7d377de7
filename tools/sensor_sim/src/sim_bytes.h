// Appends little-endian fields to a packet under construction.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace druvex_sim {

using Bytes = std::vector<uint8_t>;

template <typename T>
void put(Bytes& out, size_t offset, T value) {
    if (out.size() < offset + sizeof(T)) out.resize(offset + sizeof(T));
    std::memcpy(out.data() + offset, &value, sizeof(T));
}

inline void put_text(Bytes& out, size_t offset, const std::string& text, size_t width) {
    if (out.size() < offset + width) out.resize(offset + width);
    std::memcpy(out.data() + offset, text.data(), std::min(text.size(), width));
}

}  // namespace druvex_sim
