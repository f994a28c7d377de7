// Once warmed up, routing and decoding a packet allocates nothing: every
// allocation of the process is counted here.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "sdk_session.h"
#include "sensor_sim.h"

namespace {
std::atomic<size_t> g_allocations{0};
}

// The replaced operator new takes its memory from malloc, so free is right.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

using namespace druvex_sim;

struct Case {
    Layout layout;
    bool two_returns;
    bool stray_filter;
};

class SteadyState : public testing::TestWithParam<Case> {};

TEST_P(SteadyState, PacketsAllocateNothingAfterWarmUp) {
    const Case& c = GetParam();
    SimOptions options;
    options.layout = c.layout;
    options.multiple_returns = c.two_returns;
    SensorSim sim(options);
    std::vector<SimDataPacket> packets;
    for (int k = 0; k < 60; ++k) packets.push_back(sim.next_data_packet());
    uint32_t flags = c.two_returns ? DRUVEX_SDK_CONTROL_ENABLE_MULTIPLE_RETURNS : 0;
    if (c.stray_filter) flags |= DRUVEX_SDK_CONTROL_ENABLE_STRAY_FILTER;
    druvex_test::SdkSession session(flags);
    for (const auto& info : sim.info_packets()) session.send(1, info);

    size_t before = 0;
    for (size_t k = 0; k < packets.size(); ++k) {
        if (k == 10) before = g_allocations.load();
        session.forget();
        ASSERT_EQ(0, session.send(1, packets[k].bytes, packets[k].host_time_us));
        ASSERT_FALSE(k >= 2 && session.image.empty());
    }
    EXPECT_EQ(before, g_allocations.load());
}

INSTANTIATE_TEST_SUITE_P(Layouts, SteadyState,
                         testing::Values(Case{Layout::stdt, false, false},
                                         Case{Layout::stdp, false, true},
                                         Case{Layout::stdr, true, false},
                                         Case{Layout::stdq, true, true}));

}  // namespace
