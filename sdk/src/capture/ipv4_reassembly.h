// Reassembly of UDP datagrams from IPv4 fragments, one partial datagram per
// source address. Fragments must arrive in order and without gaps; anything
// else is dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "pcap_format.h"

namespace druvex_sdk {

struct FragmentState {
    int32_t id = -1;
    bool more_fragments = false;
    uint32_t received = 0;
    uint32_t expected = 0;
    uint64_t handle = 0;
    int64_t timestamp = 0;
    std::vector<uint8_t> data;
};

// A whole UDP payload; `data` stays valid until the next add or clear.
struct Datagram {
    uint64_t handle = 0;
    int64_t timestamp = 0;
    const uint8_t* data = nullptr;
    size_t size = 0;
};

class Ipv4Reassembly {
public:
    // Feeds the IPv4 payload of one frame (exactly the bytes its total length
    // announces). Returns true when this completes a datagram, filling `out`;
    // an unfragmented datagram points into `payload`.
    bool add(const FrameHeaders& headers, const uint8_t* payload, size_t length, int64_t timestamp,
             Datagram& out);
    void clear() { fragments_.clear(); }
    size_t partial_count() const { return fragments_.size(); }

private:
    bool add_first(const FrameHeaders& headers, const uint8_t* payload, size_t length,
                   int64_t timestamp, Datagram& out);
    bool add_continuation(const FrameHeaders& headers, const uint8_t* payload, size_t length,
                          Datagram& out);

    std::map<uint32_t, FragmentState> fragments_;
};

}  // namespace druvex_sdk
