// Decode and calibration throughput through the packet router, per data
// layout, with one or two returns and the stray filter off or on. Reported as
// points (records) per second on one core.
#include <benchmark/benchmark.h>

#include <vector>

#include "druvex_sdk.h"
#include "network/packet_router.h"
#include "sensor_sim.h"

namespace {

using namespace druvex_sim;

constexpr uint64_t handle = 0x0A00002A;

void route_packets(benchmark::State& state, Layout layout, bool two_returns, bool stray) {
    SimOptions options;
    options.layout = layout;
    options.multiple_returns = two_returns;
    SensorSim sim(options);
    std::vector<SimDataPacket> packets;
    for (int k = 0; k < 256; ++k) packets.push_back(sim.next_data_packet());

    DruvexSDKOptions sdk = druvex_sdk_create_options();
    sdk.control_flags = DRUVEX_SDK_CONTROL_DISABLE_NETWORK;
    if (two_returns) sdk.control_flags |= DRUVEX_SDK_CONTROL_ENABLE_MULTIPLE_RETURNS;
    if (stray) sdk.control_flags |= DRUVEX_SDK_CONTROL_ENABLE_STRAY_FILTER;
    druvex_sdk_initialize(DRUVEX_SDK_VERSION, &sdk, nullptr, nullptr);
    using druvex_sdk::route_packet;
    for (const auto& info : sim.info_packets()) route_packet(handle, 0, info.size(), info.data());
    for (int k = 0; k < 3; ++k) {
        route_packet(handle, packets[k].host_time_us, packets[k].bytes.size(),
                     packets[k].bytes.data());
    }

    size_t k = 3, points = 0;
    for (auto _ : state) {
        const SimDataPacket& p = packets[k];
        route_packet(handle, p.host_time_us, p.bytes.size(), p.bytes.data());
        points += p.records;
        k = k + 1 == packets.size() ? 3 : k + 1;
    }
    state.SetItemsProcessed(static_cast<int64_t>(points));
    state.counters["bytes_per_point"] = static_cast<double>(sim.record_size());
    druvex_sdk_deinitialize();
}

void register_all() {
    const struct {
        const char* name;
        Layout layout;
        bool two_returns;
    } layouts[] = {{"STDT", Layout::stdt, false}, {"STDP", Layout::stdp, false},
                   {"STDR", Layout::stdr, false}, {"STDR", Layout::stdr, true},
                   {"STDQ", Layout::stdq, false}, {"STDQ", Layout::stdq, true}};
    for (const auto& l : layouts) {
        for (bool stray : {false, true}) {
            const std::string name = std::string(l.name) +
                                     (l.two_returns ? "/2returns" : "/1return") +
                                     (stray ? "/stray_on" : "/stray_off");
            benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& state) {
                route_packets(state, l.layout, l.two_returns, stray);
            });
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    register_all();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
