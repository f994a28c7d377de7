// Decode, calibrate and frame, end to end per point on one core: recorded
// packets of a simulated sensor go through the packet router into frames and
// the frame callbacks.
#include <benchmark/benchmark.h>

#include <vector>

#include "counting_allocator.h"
#include "druvex_sdk.h"
#include "sensor_sim.h"

namespace {

constexpr uint64_t handle = 0x0A000005;
constexpr uint64_t warm_up_packets = 4000;

void count_raw(uint64_t, size_t n, const DruvexSensorRawPointWithTime*, void* user) {
    *static_cast<size_t*>(user) += n;
}

void ignore_image(uint64_t, size_t, const DruvexSensorImagePoint*, void*) {}

// Model, frame mode, layout.
void BM_DecodeCalibrateFrame(benchmark::State& state) {
    druvex_sim::SimOptions sim_options;
    sim_options.model = static_cast<uint16_t>(state.range(0));
    sim_options.layout = static_cast<druvex_sim::Layout>(state.range(2));
    druvex_sim::SensorSim sim(sim_options);
    std::vector<druvex_sim::SimDataPacket> packets;
    for (int i = 0; i < 2000; ++i) packets.push_back(sim.next_data_packet());

    DruvexSDKOptions options = druvex_sdk_create_options();
    options.control_flags = DRUVEX_SDK_CONTROL_DISABLE_NETWORK;
    if (state.range(2) >= 2) options.control_flags |= DRUVEX_SDK_CONTROL_ENABLE_MULTIPLE_RETURNS;
    options.frame_options.mode = static_cast<uint32_t>(state.range(1));
    size_t delivered = 0;
    druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, nullptr, nullptr);
    druvex_sdk_listen_raw_frames(count_raw, &delivered);
    druvex_sdk_listen_image_frames(ignore_image, nullptr);
    for (const auto& info : sim.info_packets()) {
        druvex_sdk_mock_network_receive(handle, 1, info.data(), info.size());
    }

    size_t points = 0;
    size_t next = 0;
    uint64_t sent = 0;
    uint64_t allocations = 0;
    for (auto _ : state) {
        const auto& packet = packets[next];
        const uint64_t before = druvex_bench::thread_allocations();
        druvex_sdk_mock_network_receive(handle, packet.host_time_us, packet.bytes.data(),
                                        packet.bytes.size());
        if (++sent > warm_up_packets) allocations += druvex_bench::thread_allocations() - before;
        points += packet.records;
        next = (next + 1) % packets.size();
    }
    druvex_sdk_deinitialize();
    state.SetItemsProcessed(static_cast<int64_t>(points));
    state.counters["points_per_packet"] = static_cast<double>(sim.records_per_packet());
    state.counters["delivered_share"] = points ? static_cast<double>(delivered) / points : 0;
    state.counters["allocs_per_packet"] =
        sent > warm_up_packets ? static_cast<double>(allocations) / (sent - warm_up_packets) : 0;
}

}  // namespace

BENCHMARK(BM_DecodeCalibrateFrame)
    ->ArgNames({"model", "mode", "layout"})
    ->Args({4, DRUVEX_SDK_FRAME_HALF_SCAN, 0})  // 8 channels, reversal detection, "STDT"
    ->Args({4, DRUVEX_SDK_FRAME_STREAMING, 0})
    ->Args({5, DRUVEX_SDK_FRAME_HALF_SCAN, 3})  // 18 channels, timed fallback, two returns
    ->Args({7, DRUVEX_SDK_FRAME_TIMED, 1});     // 24 channels, "STDP"
