// Memory of ten-second timed frames, for the bound on all frames' points:
//   flood: senders of 65,507-byte data packets whose frames never end, sent
//          as fast as they go for a while (and until the frames' points
//          reach their limit); prints the resident set's peak,
//          then what remains once they have been silent for a few seconds;
//   real:  simulated sensors with GPS time interleaved packet by packet as on
//          a network, for four frames each; every point must reach a frame.
// Without arguments it runs both, with six senders for twelve seconds and six
// sensors. Every address of 127.0.0.0/8 is local only in a private network
// namespace:
//   unshare -n sh -c 'ip link set lo up; druvex_frame_memory flood [SENDERS [SECONDS]]'
//   unshare -n sh -c 'ip link set lo up; druvex_frame_memory real [SENSORS]'
// Exits 1 when the flood's peak passed 2000 MB, 200 MB stayed above the start
// after the silence or its frames still held points, or when real sensors
// lost a point.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "druvex_sdk.h"
#include "frames/point_budget.h"
#include "loopback.h"
#include "memory_probe.h"
#include "sensor_sim.h"

namespace {

using Clock = std::chrono::steady_clock;
using druvex_bench::resident_mb;
using druvex_sdk::PointBudget;

constexpr double flood_peak_limit_mb = 2000;
// What stays after the silence is not the frames' (they hold no point by then,
// and it stays after deinitialisation too) but the network's packets of 64 KiB,
// kept for reuse as many as its backlog of largest datagrams once needed.
constexpr double flood_left_limit_mb = 200;
constexpr size_t largest_datagram = 65507;
constexpr float frame_length_sec = 10.0f;
constexpr int silence_sec = 5;

// The most the SDK held at once, looked at every few packets.
struct Peaks {
    size_t points = 0;
    double resident_mb = 0;
};

struct Counts {
    std::atomic<uint64_t> packets{0};
    std::atomic<uint64_t> frames{0};
    std::atomic<uint64_t> raw_points{0};
    std::atomic<uint64_t> errors{0};
};

void on_packet(uint64_t, int64_t, const uint8_t*, size_t, void* user) {
    static_cast<Counts*>(user)->packets += 1;
}

void on_raw(uint64_t, size_t n, const DruvexSensorRawPointWithTime*, void* user) {
    static_cast<Counts*>(user)->frames += 1;
    static_cast<Counts*>(user)->raw_points += n;
}

void on_error(uint64_t handle, int32_t code, const char* message, const void*, size_t, void* user) {
    if (static_cast<Counts*>(user)->errors.fetch_add(1) < 3)
        std::printf("error callback: handle %llx code %d: %s\n",
                    static_cast<unsigned long long>(handle), code, message);
}

bool start_sdk(uint16_t port, Counts& counts) {
    DruvexSDKOptions options = druvex_sdk_create_options();
    options.port = port;
    options.control_flags = DRUVEX_SDK_CONTROL_ENABLE_MULTIPLE_RETURNS;
    options.frame_options.mode = DRUVEX_SDK_FRAME_TIMED;
    options.frame_options.length = frame_length_sec;
    return druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, on_error, &counts) == 0 &&
           druvex_sdk_listen_network_packet(on_packet, &counts) == 0 &&
           druvex_sdk_listen_raw_frames(on_raw, &counts) == 0;
}

// Waits until the SDK has taken `total` packets, so that no backlog grows
// long enough to be dropped.
bool wait_for_packets(const Counts& counts, uint64_t total) {
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (counts.packets.load() < total) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

druvex_sim::SimOptions sensor_options(int i) {
    druvex_sim::SimOptions options;
    options.serial = static_cast<uint32_t>(1000 + i);
    options.multiple_returns = true;
    return options;
}

// A sensor that fills the largest datagram with records.
druvex_sim::SensorSim flood_sensor(int i) {
    druvex_sim::SimOptions options = sensor_options(i);
    const uint16_t channels = druvex_sim::SensorSim(options).channel_count();
    options.samples_per_packet = static_cast<uint32_t>((largest_datagram - 22) / (8 * channels));
    return druvex_sim::SensorSim(options);
}

// Announces each flood sensor and gives it the packets to learn its period
// from; returns the packet each then repeats, padded to the largest
// datagram: the same clock again and again never ends a timed frame.
std::vector<std::vector<uint8_t>> announce_flood(int senders, uint16_t port, Counts& counts) {
    std::vector<std::vector<uint8_t>> repeated;
    uint64_t sent = 0;
    for (int i = 0; i < senders; ++i) {
        druvex_sim::SensorSim sim = flood_sensor(i);
        druvex_test::UdpSender sender(druvex_bench::sender_address(i).c_str());
        for (const auto& info : sim.info_packets()) sender.send(port, info), ++sent;
        for (int k = 0; k < 4; ++k) sender.send(port, sim.next_data_packet().bytes), ++sent;
        repeated.push_back(sim.next_data_packet().bytes);
        repeated.back().resize(largest_datagram, 0);
        if (!wait_for_packets(counts, sent)) return {};
    }
    return repeated;
}

int run_flood(int senders, int seconds) {
    Counts counts;
    const uint16_t port = druvex_test::free_udp_port();
    if (!start_sdk(port, counts)) return 2;
    const double start = resident_mb();
    const std::vector<std::vector<uint8_t>> packets = announce_flood(senders, port, counts);
    if (packets.empty()) return 2;
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (int i = 0; i < senders; ++i) {
        threads.emplace_back([&, i] {
            druvex_test::UdpSender sender(druvex_bench::sender_address(i).c_str());
            while (!stop.load()) sender.send(port, packets[static_cast<size_t>(i)]);
        });
    }
    double peak = start;
    // A machine too busy to take the packets fast enough floods for longer,
    // until the frames have reached their limit.
    const auto began = Clock::now();
    const auto end = began + std::chrono::seconds(seconds);
    const auto last = began + std::chrono::seconds(120);
    while (Clock::now() < end || (counts.errors.load() == 0 && Clock::now() < last)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        peak = std::max(peak, resident_mb());
    }
    stop = true;
    for (std::thread& thread : threads) thread.join();
    seconds = static_cast<int>(std::chrono::duration<double>(Clock::now() - began).count());
    std::printf(
        "flood: %d senders of %zu-byte packets for %d s: start %.1f MB, peak %.1f MB, "
        "%llu packets taken, %llu points dropped, %llu error callbacks\n",
        senders, largest_datagram, seconds, start, peak,
        static_cast<unsigned long long>(counts.packets.load()),
        static_cast<unsigned long long>(PointBudget::instance().dropped()),
        static_cast<unsigned long long>(counts.errors.load()));
    std::this_thread::sleep_for(std::chrono::seconds(silence_sec));
    const double left = resident_mb();
    const size_t held = PointBudget::instance().held();
    druvex_sdk_deinitialize();
    const bool ok = peak <= flood_peak_limit_mb && left - start <= flood_left_limit_mb && held == 0;
    std::printf(
        "%s: peak %.1f MB (limit %.0f), %.1f MB after %d s of silence (+%.1f, limit %.0f), "
        "%zu points held\n",
        ok ? "PASS" : "FAIL", peak, flood_peak_limit_mb, left, silence_sec, left - start,
        flood_left_limit_mb, held);
    return ok ? 0 : 1;
}

// Sends every sensor's packets in turn, a packet each, until each has sent
// `seconds` of measurements; returns the records sent, or 0 when packets
// were lost.
uint64_t send_interleaved(std::vector<druvex_sim::SensorSim>& sims, double seconds, uint16_t port,
                          Counts& counts, Peaks& peaks) {
    std::vector<std::unique_ptr<druvex_test::UdpSender>> senders;
    uint64_t sent = counts.packets.load(), records = 0;
    for (size_t i = 0; i < sims.size(); ++i) {
        senders.push_back(std::make_unique<druvex_test::UdpSender>(
            druvex_bench::sender_address(static_cast<int>(i)).c_str()));
        for (const auto& info : sims[i].info_packets()) senders[i]->send(port, info), ++sent;
    }
    const double packet_usec =
        static_cast<double>(sims[0].options().record_period_us) * sims[0].records_per_packet();
    const auto packets = static_cast<uint64_t>(seconds * 1e6 / packet_usec);
    for (uint64_t k = 0; k < packets; ++k) {
        for (size_t i = 0; i < sims.size(); ++i) {
            const druvex_sim::SimDataPacket packet = sims[i].next_data_packet();
            senders[i]->send(port, packet.bytes);
            records += packet.records;
            ++sent;
        }
        if (k % 50 == 49 && !wait_for_packets(counts, sent)) return 0;
        peaks.points = std::max(peaks.points, PointBudget::instance().held());
        if (k % 50 == 49) peaks.resident_mb = std::max(peaks.resident_mb, resident_mb());
    }
    return wait_for_packets(counts, sent) ? records : 0;
}

// Sensors whose time comes from GPS: their frames hold ten seconds of their
// own clock however fast the packets are sent.
druvex_sim::SimOptions real_sensor_options(int i) {
    druvex_sim::SimOptions options = sensor_options(i);
    options.gps_status = 'A';
    return options;
}

int run_real(int sensors) {
    Counts counts;
    const uint16_t port = druvex_test::free_udp_port();
    if (!start_sdk(port, counts)) return 2;
    const double start = resident_mb();
    std::vector<druvex_sim::SensorSim> sims;
    for (int i = 0; i < sensors; ++i) sims.emplace_back(real_sensor_options(i));
    Peaks peaks;
    const uint64_t dropped_before = PointBudget::instance().dropped();
    const auto began = Clock::now();
    const uint64_t records = send_interleaved(sims, 4.2 * frame_length_sec, port, counts, peaks);
    druvex_sdk_deinitialize();
    const uint64_t dropped = PointBudget::instance().dropped() - dropped_before;
    const bool ok = records > 0 && counts.errors.load() == 0 &&
                    counts.frames.load() >= 2 * static_cast<uint64_t>(sensors) && dropped == 0;
    std::printf(
        "real: %d sensors with %.0f s frames, %llu records in %.1f s: %llu frames of "
        "%llu raw points delivered, at most %zu points held (limit %zu), peak %.1f MB resident "
        "(start %.1f), %llu points dropped, %llu error callbacks\n",
        sensors, frame_length_sec, static_cast<unsigned long long>(records),
        std::chrono::duration<double>(Clock::now() - began).count(),
        static_cast<unsigned long long>(counts.frames.load()),
        static_cast<unsigned long long>(counts.raw_points.load()), peaks.points,
        PointBudget::max_points, peaks.resident_mb, start, static_cast<unsigned long long>(dropped),
        static_cast<unsigned long long>(counts.errors.load()));
    std::printf("%s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "flood")
        return run_flood(argc > 2 ? std::atoi(argv[2]) : 6, argc > 3 ? std::atoi(argv[3]) : 12);
    if (mode == "real") return run_real(argc > 2 ? std::atoi(argv[2]) : 6);
    if (mode.empty()) {
        const int flood = run_flood(6, 12);
        return std::max(flood, run_real(6));
    }
    std::fprintf(stderr,
                 "usage: druvex_frame_memory [flood [SENDERS [SECONDS]] | real [SENSORS]]\n");
    return 2;
}
