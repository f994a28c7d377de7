// The queue between the I/O thread and the processing thread.
//
// A ring of shared references that only grows: once it has held its largest
// backlog, pushing and popping allocate nothing. When the processing side
// falls far behind, the whole backlog is dropped at once rather than the
// oldest packet, so that what follows is fresh data.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "network_packet.h"

namespace druvex_sdk {

class PacketQueue {
public:
    using PacketPtr = std::shared_ptr<NetworkPacket>;

    // More waiting packets than this and the backlog is dropped.
    static constexpr size_t max_waiting = 1000;

    // Appends the packet, first dropping every waiting packet when more than
    // max_waiting wait; wakes one waiter.
    void push(PacketPtr packet);

    // The oldest packet, waiting up to timeout_sec for one (0: do not wait);
    // an empty reference when none came in time.
    PacketPtr pop(float timeout_sec);

    size_t size();
    void clear();

private:
    void grow();
    void clear_locked();

    std::vector<PacketPtr> ring_;
    size_t head_ = 0;  // index of the oldest packet
    size_t count_ = 0;
    std::mutex mutex_;
    std::condition_variable not_empty_;
};

}  // namespace druvex_sdk
