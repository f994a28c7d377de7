// The queue between the I/O thread and the processing thread.
//
// A ring of shared references that only grows: once it has held its largest
// backlog, pushing and popping allocate nothing. Batches move under one lock,
// and packets that are done with come back to the receiving side through
// the queue. When the processing side
// falls far behind, the whole backlog is dropped at once rather than the
// oldest packet, so that what follows is fresh data.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
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
    // Appends the packets in order, as one push each would, under one lock
    // and with one wake-up; empties `packets`. In the same lock, `spare` is
    // topped up to `spares` with packets the processing side is done with.
    void push_batch(std::vector<PacketPtr>& packets, std::vector<PacketPtr>& spare = no_spares(),
                    size_t spares = 0);

    // The oldest packet, waiting up to timeout_sec for one (0: do not wait);
    // an empty reference when none came in time.
    PacketPtr pop(float timeout_sec);
    // Up to `max` waiting packets, oldest first, appended to `out` under one
    // lock; waits as pop does when none waits. False when none came in time.
    // The packets in `done` are kept, emptied of nothing, for push_batch to
    // hand out again; `done` is left empty.
    bool pop_batch(float timeout_sec, size_t max, std::vector<PacketPtr>& out,
                   std::vector<PacketPtr>& done);

    // Packets kept for reuse (dropped or done with).
    size_t spare_count();
    // Packets dropped unprocessed because the backlog grew too long, over the
    // queue's life; a count that only grows, so readers take differences.
    uint64_t dropped_count() const { return dropped_.load(std::memory_order_relaxed); }

    size_t size();
    void clear();

private:
    void grow();
    void clear_locked();
    void append_locked(PacketPtr packet);
    // Waits for a packet; false when none came in time.
    bool wait_locked(std::unique_lock<std::mutex>& lock, float timeout_sec);
    PacketPtr take_locked();

    static std::vector<PacketPtr>& no_spares();

    std::vector<PacketPtr> ring_;
    // Packets to fill again: moving them between the threads a batch at a
    // time spares each packet a trip through its pool's lock.
    std::vector<PacketPtr> spares_;
    size_t head_ = 0;  // index of the oldest packet
    size_t count_ = 0;
    std::atomic<uint64_t> dropped_{0};
    std::mutex mutex_;
    std::condition_variable not_empty_;
};

}  // namespace druvex_sdk
