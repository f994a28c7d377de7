// Reassembly of fragmented IPv4 datagrams read from captures.
#include "ipv4_reassembly.h"

namespace druvex_sdk {
namespace {

// Bounds the memory a file full of unfinished datagrams from many sources
// can hold: beyond this many, every partial datagram is dropped.
constexpr size_t max_partial_datagrams = 1024;

}  // namespace

bool Ipv4Reassembly::add(const FrameHeaders& headers, const uint8_t* payload, size_t length,
                         int64_t timestamp, Datagram& out) {
    if (headers.fragment_offset() == 0) return add_first(headers, payload, length, timestamp, out);
    return add_continuation(headers, payload, length, out);
}

bool Ipv4Reassembly::add_first(const FrameHeaders& headers, const uint8_t* payload, size_t length,
                               int64_t timestamp, Datagram& out) {
    fragments_.erase(headers.source);
    if (length < udp_header_size || headers.udp_length < udp_header_size) return false;
    const uint32_t expected = headers.udp_length - static_cast<uint32_t>(udp_header_size);
    const uint8_t* body = payload + udp_header_size;
    const size_t body_length = length - udp_header_size;
    if (!headers.more_fragments()) {
        // Bytes beyond the UDP length are link padding of short frames.
        if (body_length < expected) return false;
        out = Datagram{headers.source, timestamp, body, expected};
        return true;
    }
    if (body_length > expected) return false;
    if (fragments_.size() >= max_partial_datagrams) fragments_.clear();
    FragmentState& state = fragments_[headers.source];
    state.id = headers.identification;
    state.more_fragments = true;
    state.expected = expected;
    state.handle = headers.source;
    state.timestamp = timestamp;
    state.data.assign(body, body + body_length);
    state.received = static_cast<uint32_t>(body_length);
    return false;
}

bool Ipv4Reassembly::add_continuation(const FrameHeaders& headers, const uint8_t* payload,
                                      size_t length, Datagram& out) {
    auto it = fragments_.find(headers.source);
    if (it == fragments_.end()) return false;
    FragmentState& state = it->second;
    const uint64_t offset = uint64_t{headers.fragment_offset()} * 8;
    if (state.id != headers.identification || !state.more_fragments ||
        offset != state.received + uint64_t{udp_header_size}) {
        return false;
    }
    if (length > state.expected - state.received) {
        fragments_.erase(it);
        return false;
    }
    state.data.insert(state.data.end(), payload, payload + length);
    state.received += static_cast<uint32_t>(length);
    state.more_fragments = headers.more_fragments();
    if (state.more_fragments) return false;
    if (state.received != state.expected) {
        fragments_.erase(it);
        return false;
    }
    out = Datagram{state.handle, state.timestamp, state.data.data(), state.data.size()};
    return true;
}

}  // namespace druvex_sdk
