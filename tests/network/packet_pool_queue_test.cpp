// Pooled packets and the packet queue between the I/O and processing threads.
#include <gtest/gtest.h>

#include <thread>

#include "core/large_object_pool.h"
#include "network/network_packet.h"
#include "network/packet_queue.h"

using druvex_sdk::NetworkPacket;
using druvex_sdk::PacketQueue;
using druvex_sdk::util::LargeObjectPool;

namespace {

std::shared_ptr<NetworkPacket> make_packet(LargeObjectPool<NetworkPacket>& pool, uint64_t handle) {
    auto packet = pool.get();
    packet->handle = handle;
    return packet;
}

}  // namespace

TEST(LargeObjectPool, ReusesMostRecentlyReleasedObjectWithItsCapacity) {
    auto pool = LargeObjectPool<NetworkPacket>::create();
    auto a = pool->get();
    auto b = pool->get();
    a->data.assign(4000, 1);
    NetworkPacket* a_raw = a.get();
    NetworkPacket* b_raw = b.get();
    a.reset();
    b.reset();
    EXPECT_EQ(pool->free_count(), 2u);
    auto again = pool->get();
    EXPECT_EQ(again.get(), b_raw);
    auto older = pool->get();
    EXPECT_EQ(older.get(), a_raw);
    EXPECT_GE(older->data.capacity(), 4000u);
    EXPECT_EQ(pool->size(), 2u);
}

TEST(LargeObjectPool, OutstandingObjectsKeepThePoolAlive) {
    std::weak_ptr<LargeObjectPool<NetworkPacket>> watch;
    std::shared_ptr<NetworkPacket> survivor;
    {
        auto pool = LargeObjectPool<NetworkPacket>::create();
        watch = pool;
        survivor = pool->get();
        survivor->data.assign(100, 5);
    }
    EXPECT_FALSE(watch.expired());
    // Released on another thread, as the processing thread does.
    std::thread([moved = std::move(survivor)]() mutable { moved.reset(); }).join();
    EXPECT_TRUE(watch.expired());
}

TEST(PacketQueue, PopsInOrderAcrossGrowthAndTimesOut) {
    auto pool = LargeObjectPool<NetworkPacket>::create();
    PacketQueue queue;
    EXPECT_EQ(queue.pop(0.0f), nullptr);
    EXPECT_EQ(queue.pop(0.02f), nullptr);
    // Interleave pops so the ring wraps before it grows.
    uint64_t next_expected = 0;
    for (uint64_t i = 0; i < 300; ++i) {
        queue.push(make_packet(*pool, i));
        if (i % 3 == 0) {
            EXPECT_EQ(queue.pop(0.0f)->handle, next_expected++);
        }
    }
    while (auto packet = queue.pop(0.0f)) EXPECT_EQ(packet->handle, next_expected++);
    EXPECT_EQ(next_expected, 300u);
}

TEST(PacketQueue, BacklogBeyondLimitIsDroppedWhole) {
    auto pool = LargeObjectPool<NetworkPacket>::create();
    PacketQueue queue;
    for (uint64_t i = 0; i < 1001; ++i) queue.push(make_packet(*pool, i));
    EXPECT_EQ(queue.size(), 1001u);
    queue.push(make_packet(*pool, 5000));
    EXPECT_EQ(queue.size(), 1u);
    EXPECT_EQ(queue.spare_count(), 1001u);  // the dropped packets are kept for reuse
    EXPECT_EQ(queue.dropped_count(), 1001u);
    EXPECT_EQ(queue.pop(0.0f)->handle, 5000u);
}
