// Recording live traffic: 1 KB datagrams and a simulated sensor's packets
// arrive on the SDK's port at a fixed rate for ten seconds. Three receivers,
// side by side in one run: the SDK alone (callbacks that only count packets
// and frames), the viewer's recorder alone on the SDK's packet callback, and
// the whole application in its window (under the virtual display) recording
// while it draws the sensor's points, as a user runs it. Reports what was
// sent, what reached the receiver or the file, and the packets lost on the
// way, which must be 0.
#include "app/capture_recorder.h"
#include "app/viewer_application.h"
#include "sensor_sim.h"
#include "support/free_port.h"
#include "support/recorded_capture.h"

#include "capture/capture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <druvex_sdk.h>
#include <nanogui/nanogui.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double seconds_sent = 10.0;

enum Receiver { sdk_alone = 0, recorder_alone = 1, application = 2 };

struct Counting {
    druvex::CaptureRecorder* recorder = nullptr;
    std::atomic<uint64_t> delivered{0};
    std::atomic<uint64_t> frames{0};
    std::atomic<uint64_t> failed{0};
};

void on_frame(uint64_t, size_t, const DruvexSensorRawPointWithTime*, void* user) {
    static_cast<Counting*>(user)->frames.fetch_add(1);
}

void on_packet(uint64_t handle, int64_t received_us, const uint8_t* data, size_t size, void* user) {
    auto* r = static_cast<Counting*>(user);
    r->delivered.fetch_add(1);
    if (r->recorder != nullptr && !r->recorder->append(handle, received_us, data, size).ok()) {
        r->failed++;
    }
}

// A simulated sensor at its own pace, whose frames the application draws,
// among 1 KB datagrams from another address that make up the rate.
struct Traffic {
    std::vector<druvex_sim::Bytes> sensor;  // information packets, then data
    double sensor_rate = 0.0;               // the sensor's packets per second
};

Traffic sensor_traffic() {
    druvex_sim::SensorSim sim(druvex_sim::SimOptions{});
    Traffic traffic;
    traffic.sensor = sim.info_packets();
    traffic.sensor_rate = 1e6 / (double(sim.records_per_packet()) * sim.options().record_period_us);
    const auto count = static_cast<size_t>(traffic.sensor_rate * seconds_sent);
    for (size_t i = 0; i < count; ++i) traffic.sensor.push_back(sim.next_data_packet().bytes);
    return traffic;
}

int socket_from(const char* address) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in source{};
    source.sin_family = AF_INET;
    inet_pton(AF_INET, address, &source.sin_addr);
    bind(fd, reinterpret_cast<sockaddr*>(&source), sizeof(source));
    return fd;
}

// Sends `rate` datagrams a second for the bench's time: the sensor's packets
// when they are due, filler otherwise.
uint64_t send_paced(uint16_t port, double rate, const Traffic& traffic) {
    const int sensor_fd = socket_from("127.0.0.1");
    const int filler_fd = socket_from("127.0.0.2");
    const std::vector<uint8_t> filler(1024, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto* to = reinterpret_cast<const sockaddr*>(&target);
    const uint64_t count = static_cast<uint64_t>(rate * seconds_sent);
    const auto start = Clock::now();
    size_t sensor_sent = 0;
    for (uint64_t i = 0; i < count; ++i) {
        if (i % 10 == 0)
            std::this_thread::sleep_until(start + std::chrono::duration<double>(i / rate));
        const double due = double(i) / rate * traffic.sensor_rate;
        if (sensor_sent < traffic.sensor.size() && double(sensor_sent) <= due) {
            const druvex_sim::Bytes& p = traffic.sensor[sensor_sent++];
            sendto(sensor_fd, p.data(), p.size(), 0, to, sizeof(target));
        } else {
            sendto(filler_fd, filler.data(), filler.size(), 0, to, sizeof(target));
        }
    }
    close(sensor_fd);
    close(filler_fd);
    return count;
}

// Runs `step` until `count` has not changed for 300 ms after the sender is
// done; returns when the count last changed.
Clock::time_point until_settled(const std::atomic<bool>& sending,
                                const std::function<uint64_t()>& count,
                                const std::function<void()>& step) {
    uint64_t seen = 0;
    auto last_change = Clock::now();
    while (sending || Clock::now() - last_change < std::chrono::milliseconds(300)) {
        step();
        if (const uint64_t now = count(); now != seen) {
            seen = now;
            last_change = Clock::now();
        }
    }
    return last_change;
}

struct Outcome {
    uint64_t sent = 0, received = 0, written = 0, dropped = 0, draws = 0, frames = 0;
    double seconds = 0.0;
    bool failed = false;
};

// The SDK with the bench's own packet callback, and the recorder on it when asked.
bool run_sdk(double rate, const Traffic& traffic, const std::string& path, bool record,
             Outcome& out) {
    druvex::CaptureRecorder recorder;
    Counting counting;
    if (record && !recorder.start(path, true, nullptr)) return false;
    counting.recorder = record ? &recorder : nullptr;
    DruvexSDKOptions options = druvex_sdk_create_options();
    options.control_flags = DRUVEX_SDK_CONTROL_ENABLE_MULTIPLE_RETURNS;
    options.frame_options.mode = DRUVEX_SDK_FRAME_HALF_SCAN;
    options.port = druvex::testing::free_udp_port();
    if (druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, nullptr, nullptr) != 0 ||
        druvex_sdk_listen_network_packet(on_packet, &counting) != 0 ||
        druvex_sdk_listen_raw_frames(on_frame, &counting) != 0) {
        return false;
    }
    const uint64_t dropped_before = druvex_sdk_get_n_dropped_packets();
    std::atomic<bool> sending{true};
    const auto start = Clock::now();
    std::thread sender([&] {
        out.sent = send_paced(options.port, rate, traffic);
        sending = false;
    });
    const auto end = until_settled(
        sending, [&] { return counting.delivered.load(); },
        [] { std::this_thread::sleep_for(std::chrono::milliseconds(10)); });
    sender.join();
    out.dropped = druvex_sdk_get_n_dropped_packets() - dropped_before;
    druvex_sdk_deinitialize();
    out.failed = counting.failed != 0 || !recorder.stop(nullptr);
    out.seconds = std::chrono::duration<double>(end - start).count();
    out.received = counting.delivered;
    out.frames = counting.frames;
    out.written = record ? druvex::testing::recorded_packet_times(path).size() : 0;
    return true;
}

// The application as the program runs it: its window drawn at the main
// loop's pace (an event or 50 ms), its SDK moved to a free port.
bool run_application(double rate, const Traffic& traffic, const std::string& path, Outcome& out) {
    static const bool toolkit = (nanogui::init(), true);
    (void)toolkit;
    nanogui::ref<druvex::ViewerApplication> app = new druvex::ViewerApplication(false, 4);
    app->init();
    app->setVisible(true);
    const uint16_t port = druvex::testing::free_udp_port();
    druvex_sdk_set_port(port);
    druvex_sdk_set_control_flags(DRUVEX_SDK_CONTROL_DISABLE_NETWORK, 0);
    if (druvex_sdk_get_port() != port || !app->start_recording(path, true)) {
        app->save_state();
        return false;
    }
    const uint64_t dropped_before = druvex_sdk_get_n_dropped_packets();
    std::atomic<bool> sending{true};
    const auto start = Clock::now();
    std::thread sender([&] {
        out.sent = send_paced(port, rate, traffic);
        sending = false;
    });
    const auto end = until_settled(
        sending, [&] { return app->capture_recorder().packet_count(); },
        [&] {
            glfwWaitEventsTimeout(0.05);
            app->drawAll();
            ++out.draws;
        });
    sender.join();
    out.dropped = druvex_sdk_get_n_dropped_packets() - dropped_before;
    out.received = app->capture_recorder().packet_count();
    app->stop_capture();
    app->save_state();
    out.seconds = std::chrono::duration<double>(end - start).count();
    out.written = druvex::testing::recorded_packet_times(path).size();
    out.failed = out.written != out.received;
    return true;
}

// Arguments: datagrams per second, and the receiver (see Receiver).
void BM_RecordLiveTraffic(benchmark::State& state) {
    const double rate = static_cast<double>(state.range(0));
    const auto receiver = static_cast<Receiver>(state.range(1));
    if (receiver == application && std::getenv("DISPLAY") == nullptr) {
        state.SkipWithError("the application needs a display");
        return;
    }
    const Traffic traffic = sensor_traffic();
    char folder[] = "/tmp/druvex_recording_bench_XXXXXX";
    const std::string directory = ::mkdtemp(folder);
    const std::string path = directory + "/bench.pcap";
    // The application keeps its settings there, not in the user's.
    ::setenv("APPDATA", directory.c_str(), 1);
    for (auto _ : state) {
        Outcome out;
        const bool ran = receiver == application
                             ? run_application(rate, traffic, path, out)
                             : run_sdk(rate, traffic, path, receiver == recorder_alone, out);
        if (!ran) {
            state.SkipWithError("the receiver did not start");
            break;
        }
        const uint64_t kept = receiver == sdk_alone ? out.received : out.written;
        state.SetIterationTime(out.seconds);
        state.counters["sent"] = double(out.sent);
        state.counters["kept"] = double(kept);
        state.counters["lost"] = double(out.sent - kept);
        state.counters["sdk_dropped"] = double(out.dropped);
        state.counters["failures"] = out.failed ? 1.0 : 0.0;
        state.counters["kept_per_s"] = double(kept) / out.seconds;
        if (receiver == application) {
            state.counters["draws_per_s"] = double(out.draws) / out.seconds;
        } else {
            state.counters["frames_per_s"] = double(out.frames) / out.seconds;
        }
    }
    ::unsetenv("APPDATA");
    std::filesystem::remove_all(directory);
}

}  // namespace

BENCHMARK(BM_RecordLiveTraffic)
    ->ArgNames({"rate", "receiver"})
    ->Args({100000, sdk_alone})
    ->Args({100000, recorder_alone})
    ->Args({100000, application})
    ->Args({50000, application})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
