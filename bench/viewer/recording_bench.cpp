// Recording live traffic: a simulated sensor's packets arrive on the SDK's
// port at a fixed rate for ten seconds while the viewer's recorder writes
// every packet the SDK delivers, as the application's packet handler does.
// Reports what was sent, delivered and written, and the packets the
// recording lost (delivered but not in the file), which must be 0.
#include "app/capture_recorder.h"
#include "sensor_sim.h"
#include "support/free_port.h"

#include "capture/capture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <druvex_sdk.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double seconds_sent = 10.0;

struct Receiver {
    druvex::CaptureRecorder* recorder = nullptr;
    std::atomic<uint64_t> delivered{0};
    std::atomic<uint64_t> failed{0};
};

void on_packet(uint64_t handle, int64_t received_us, const uint8_t* data, size_t size, void* user) {
    auto* r = static_cast<Receiver*>(user);
    r->delivered.fetch_add(1);
    if (r->recorder != nullptr && !r->recorder->append(handle, received_us, data, size).ok()) {
        r->failed++;
    }
}

// One simulated second of a sensor's traffic, sent over and over.
std::vector<druvex_sim::Bytes> sensor_packets(size_t count) {
    druvex_sim::SensorSim sim(druvex_sim::SimOptions{});
    std::vector<druvex_sim::Bytes> packets = sim.info_packets();
    while (packets.size() < count) packets.push_back(sim.next_data_packet().bytes);
    return packets;
}

uint64_t send_paced(uint16_t port, double rate, const std::vector<druvex_sim::Bytes>& packets) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const uint64_t count = static_cast<uint64_t>(rate * seconds_sent);
    const auto start = Clock::now();
    for (uint64_t i = 0; i < count; ++i) {
        if (i % 10 == 0)
            std::this_thread::sleep_until(start + std::chrono::duration<double>(i / rate));
        const druvex_sim::Bytes& p = packets[i % packets.size()];
        sendto(fd, p.data(), p.size(), 0, reinterpret_cast<sockaddr*>(&target), sizeof(target));
    }
    close(fd);
    return count;
}

uint64_t packets_in(const std::string& path) {
    druvex_sdk::Capture capture;
    if (capture.open_for_read(path)) return 0;
    druvex_sdk::CapturePacketHeader header;
    const uint8_t* data = nullptr;
    uint64_t n = 0;
    while (!capture.read_packet(header, data)) ++n;
    return n;
}

// Arguments: datagrams per second, and 1 to record (0 measures the SDK alone).
void BM_RecordLiveTraffic(benchmark::State& state) {
    const double rate = static_cast<double>(state.range(0));
    const bool record = state.range(1) != 0;
    const std::vector<druvex_sim::Bytes> packets = sensor_packets(4000);
    char folder[] = "/tmp/druvex_recording_bench_XXXXXX";
    const std::string path = std::string(::mkdtemp(folder)) + "/bench.pcap";
    for (auto _ : state) {
        druvex::CaptureRecorder recorder;
        Receiver receiver;
        if (record && !recorder.start(path, true, nullptr)) {
            state.SkipWithError("cannot record");
            return;
        }
        receiver.recorder = record ? &recorder : nullptr;
        DruvexSDKOptions options = druvex_sdk_create_options();
        options.control_flags = DRUVEX_SDK_CONTROL_ENABLE_MULTIPLE_RETURNS;
        options.frame_options.mode = DRUVEX_SDK_FRAME_HALF_SCAN;
        options.port = druvex::testing::free_udp_port();
        if (druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, nullptr, nullptr) != 0 ||
            druvex_sdk_listen_network_packet(on_packet, &receiver) != 0) {
            state.SkipWithError("SDK did not start");
            return;
        }
        const auto start = Clock::now();
        const uint64_t sent = send_paced(options.port, rate, packets);
        uint64_t seen = 0;
        auto last_change = Clock::now();
        while (Clock::now() - last_change < std::chrono::milliseconds(300)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (receiver.delivered != seen) {
                seen = receiver.delivered;
                last_change = Clock::now();
            }
        }
        druvex_sdk_deinitialize();
        const bool stopped = recorder.stop(nullptr);
        const double seconds = std::chrono::duration<double>(last_change - start).count();
        const uint64_t delivered = receiver.delivered;
        const uint64_t written = record ? packets_in(path) : 0;
        state.SetIterationTime(seconds);
        state.counters["sent"] = double(sent);
        state.counters["delivered"] = double(delivered);
        state.counters["written"] = double(written);
        state.counters["lost_by_recording"] = record ? double(delivered - written) : 0.0;
        state.counters["write_failures"] = double(receiver.failed) + (stopped ? 0.0 : 1.0);
        state.counters["delivered_pct"] = 100.0 * double(delivered) / double(sent);
        state.counters["delivered_per_s"] = double(delivered) / seconds;
    }
    std::remove(path.c_str());
    std::remove((path + ".dvx").c_str());
    std::remove(folder);
}

}  // namespace

BENCHMARK(BM_RecordLiveTraffic)
    ->Args({20000, 0})
    ->Args({20000, 1})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
