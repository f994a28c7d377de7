// Memory the SDK keeps for the senders it has heard: distinct loopback
// addresses each send one simulated sensor's information packets and a run of
// data packets to the listening SDK, one after the other, with half-scan
// frames delivered to counting callbacks as the viewer has them. Prints the
// resident set at the start, after the senders, and while they stay silent.
// Every address of 127.0.0.0/8 is local only in a private network namespace:
//   unshare -n sh -c 'ip link set lo up; druvex_sender_memory [SENDERS [PACKETS [SILENCE_SEC]]]'
// Exits 1 when the resident set rose more than 300 MB above the start while
// the senders ran, or stayed more than 50 MB above it after the silence.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "druvex_sdk.h"
#include "loopback.h"
#include "memory_probe.h"
#include "sensor_sim.h"

namespace {

using Clock = std::chrono::steady_clock;
using druvex_bench::resident_mb;

constexpr double busy_limit_mb = 300;
constexpr double silent_limit_mb = 50;

struct Counts {
    std::atomic<uint64_t> packets{0};
    std::atomic<uint64_t> frames{0};
    std::atomic<uint64_t> errors{0};
};

void on_packet(uint64_t, int64_t, const uint8_t*, size_t, void* user) {
    static_cast<Counts*>(user)->packets += 1;
}

void on_frame(uint64_t, size_t, const DruvexSensorImagePoint*, void* user) {
    static_cast<Counts*>(user)->frames += 1;
}

void on_raw(uint64_t, size_t, const DruvexSensorRawPointWithTime*, void*) {}

void on_error(uint64_t handle, int32_t code, const char* message, const void*, size_t, void* user) {
    const uint64_t n = static_cast<Counts*>(user)->errors.fetch_add(1) + 1;
    if (n <= 3)
        std::printf("error callback: handle %llx code %d: %s\n",
                    static_cast<unsigned long long>(handle), code, message);
}

// Sends one sensor's packets from its own address; returns how many.
uint64_t run_sender(int i, int packets, uint16_t port) {
    druvex_sim::SimOptions options;
    options.serial = static_cast<uint32_t>(1000 + i);
    druvex_sim::SensorSim sim(options);
    druvex_test::UdpSender sender(druvex_bench::sender_address(i).c_str());
    uint64_t sent = 0;
    for (const auto& info : sim.info_packets()) {
        sender.send(port, info);
        ++sent;
    }
    for (int k = 0; k < packets; ++k) {
        sender.send(port, sim.next_data_packet().bytes);
        ++sent;
    }
    return sent;
}

// Waits until the SDK has taken every packet sent, so that the next sender
// finds the queue empty and none is lost to a full one.
bool wait_for_packets(Counts& counts, uint64_t total) {
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (counts.packets.load() < total) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Runs the senders one after the other; returns the highest resident set
// seen, or a negative value when packets were lost.
double run_senders(int senders, int packets, uint16_t port, Counts& counts) {
    double peak = resident_mb();
    uint64_t sent = 0;
    for (int i = 0; i < senders; ++i) {
        sent += run_sender(i, packets, port);
        if (!wait_for_packets(counts, sent)) {
            std::fprintf(stderr, "druvex_sender_memory: packets of sender %d were lost\n", i);
            return -1;
        }
        peak = std::max(peak, resident_mb());
        if ((i + 1) % 100 == 0) {
            std::printf("%5d senders: %7.1f MB resident, %d sensors\n", i + 1, resident_mb(),
                        druvex_sdk_get_n_sensors());
        }
    }
    return peak;
}

// The resident set after `seconds` without packets.
double stay_silent(int seconds, double start) {
    double silent = resident_mb();
    for (int s = 1; s <= seconds; ++s) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        silent = resident_mb();
        if (s % 5 == 0) std::printf("silent %2d s: %.1f MB (+%.1f)\n", s, silent, silent - start);
    }
    return silent;
}

bool start_sdk(uint16_t port, Counts& counts) {
    DruvexSDKOptions options = druvex_sdk_create_options();
    options.port = port;
    options.frame_options.mode = DRUVEX_SDK_FRAME_HALF_SCAN;
    return druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, on_error, &counts) == 0 &&
           druvex_sdk_listen_network_packet(on_packet, &counts) == 0 &&
           druvex_sdk_listen_raw_frames(on_raw, nullptr) == 0 &&
           druvex_sdk_listen_image_frames(on_frame, &counts) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int senders = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int packets = argc > 2 ? std::atoi(argv[2]) : 300;
    const int silence_sec = argc > 3 ? std::atoi(argv[3]) : 30;
    Counts counts;
    const uint16_t port = druvex_test::free_udp_port();
    if (!start_sdk(port, counts)) {
        std::fprintf(stderr, "druvex_sender_memory: the SDK did not start\n");
        return 2;
    }
    const double start = resident_mb();
    std::printf("start: %.1f MB resident\n", start);
    const auto began = Clock::now();
    const double peak = run_senders(senders, packets, port, counts);
    if (peak < 0) return 2;
    std::printf(
        "%d senders of %d data packets in %.1f s: peak %.1f MB (+%.1f), now %.1f MB, "
        "%d sensors, %llu frames, %llu error callbacks\n",
        senders, packets, std::chrono::duration<double>(Clock::now() - began).count(), peak,
        peak - start, resident_mb(), druvex_sdk_get_n_sensors(),
        static_cast<unsigned long long>(counts.frames.load()),
        static_cast<unsigned long long>(counts.errors.load()));
    const double silent = stay_silent(silence_sec, start);
    druvex_sdk_deinitialize();
    const bool ok = peak - start <= busy_limit_mb && silent - start <= silent_limit_mb;
    std::printf("%s: peak +%.1f MB (limit %.0f), +%.1f MB after %d s of silence (limit %.0f)\n",
                ok ? "PASS" : "FAIL", peak - start, busy_limit_mb, silent - start, silence_sec,
                silent_limit_mb);
    return ok ? 0 : 1;
}
