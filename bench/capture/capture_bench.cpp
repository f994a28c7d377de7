// Capture reading against libpcap on a 500 MB capture, directly and through
// the exported replay calls, seeking through the index, and the first open
// that has to build the index.
//
// The capture is generated once in /tmp (DRUVEX_BENCH_CAPTURE overrides the
// path) and reused by later runs.
#include <benchmark/benchmark.h>
#include <pcap.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "capture/capture.h"
#include "capture/capture_index.h"
#include "druvex_sdk.h"

using druvex_sdk::Capture;
using druvex_sdk::CapturePacketHeader;

namespace {

constexpr uint64_t capture_bytes = 500ull << 20;

uint64_t file_size(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

// Sensor-sized datagrams from two sources, 40 us apart.
void generate(const std::string& path) {
    Capture capture;
    if (capture.open_for_write(path, false)) std::abort();
    std::vector<uint8_t> payload(1400);
    for (size_t k = 0; k < payload.size(); ++k) payload[k] = static_cast<uint8_t>(k * 13);
    int64_t time = 1700000000000000;
    for (uint64_t written = 24, k = 0; written < capture_bytes; ++k, time += 40) {
        const uint64_t size = 1000 + (k * 97) % 400;
        const uint64_t source = k % 2 == 0 ? 0x0A000011 : 0x0A000012;
        if (capture.write_packet({source, time, size}, payload.data())) std::abort();
        written += size + 58;
    }
}

const std::string& capture_path() {
    static const std::string path = [] {
        const char* given = std::getenv("DRUVEX_BENCH_CAPTURE");
        std::string p = given != nullptr ? given : "/tmp/druvex_bench_500mb.pcap";
        if (file_size(p) < capture_bytes) generate(p);
        return p;
    }();
    return path;
}

uint64_t read_with_capture(const std::string& path) {
    Capture capture;
    if (capture.open_for_read(path)) std::abort();
    CapturePacketHeader header;
    const uint8_t* data = nullptr;
    uint64_t bytes = 0;
    while (capture.read_packet(header, data).ok()) bytes += header.size + data[0] * 0;
    return bytes;
}

uint64_t read_with_libpcap(const std::string& path) {
    char error[PCAP_ERRBUF_SIZE];
    pcap_t* pcap = pcap_open_offline(path.c_str(), error);
    if (pcap == nullptr) std::abort();
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    uint64_t bytes = 0;
    while (pcap_next_ex(pcap, &header, &data) == 1) bytes += header->caplen - 42 + data[0] * 0;
    pcap_close(pcap);
    return bytes;
}

template <typename Read>
double seconds_of(Read read, const std::string& path, uint64_t& bytes) {
    const auto start = std::chrono::steady_clock::now();
    bytes = read(path);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A reader and libpcap over the same file in the same run; the counter
// "ratio" is the reader's throughput over libpcap's (above 1 means faster).
void versus_libpcap(benchmark::State& state, uint64_t (*read)(const std::string&)) {
    const std::string& path = capture_path();
    uint64_t bytes = 0;
    (void)seconds_of(read, path, bytes);  // index and page cache warm
    double reader = 0, libpcap = 0;
    for (auto _ : state) {
        reader += seconds_of(read, path, bytes);
        libpcap += seconds_of(read_with_libpcap, path, bytes);
    }
    const double mb =
        static_cast<double>(file_size(path)) / 1e6 * static_cast<double>(state.iterations());
    state.counters["reader_MBps"] = mb / reader;
    state.counters["libpcap_MBps"] = mb / libpcap;
    state.counters["ratio"] = libpcap / reader;
}

void BM_ReaderVersusLibpcap(benchmark::State& state) { versus_libpcap(state, read_with_capture); }
BENCHMARK(BM_ReaderVersusLibpcap)->Iterations(3)->Unit(benchmark::kMillisecond);

// The exported replay path as another program drives it: the SDK's replay
// delivers every datagram to a network-packet callback.
struct ExportedReplay {
    ExportedReplay() {
        DruvexSDKOptions options = druvex_sdk_create_options();
        options.control_flags = DRUVEX_SDK_CONTROL_DISABLE_NETWORK;
        if (druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, nullptr, nullptr) != 0 ||
            druvex_sdk_listen_network_packet(count_bytes, &bytes) != 0 ||
            druvex_sdk_capture_replay_open(capture_path().c_str()) != 0) {
            std::abort();
        }
    }
    ~ExportedReplay() { druvex_sdk_deinitialize(); }

    static void count_bytes(uint64_t, int64_t, const uint8_t* data, size_t size, void* user) {
        *static_cast<uint64_t*>(user) += size + data[0] * 0;
    }

    uint64_t bytes = 0;
};

uint64_t replay_exported(const std::string&) {
    static ExportedReplay replay;
    replay.bytes = 0;
    if (druvex_sdk_capture_replay_rewind() != 0 ||
        druvex_sdk_capture_replay_resume_blocking(1e9f) != 0) {
        std::abort();
    }
    return replay.bytes;
}

// The exported replay against libpcap's pcap_next_ex.
void BM_ExportedReplayVersusLibpcap(benchmark::State& state) {
    versus_libpcap(state, replay_exported);
}
BENCHMARK(BM_ExportedReplayVersusLibpcap)->Iterations(3)->Unit(benchmark::kMillisecond);

// A seek through the exported call and the first packet after it.
void BM_ExportedSeekAndFirstPacket(benchmark::State& state) {
    (void)replay_exported(capture_path());
    const float length = druvex_sdk_capture_replay_get_length();
    std::mt19937_64 random(11);
    std::uniform_real_distribution<float> position(0.0f, length * 0.999f);
    for (auto _ : state) {
        if (druvex_sdk_capture_replay_seek(position(random)) != 0 ||
            druvex_sdk_capture_replay_resume_blocking_once() != 0) {
            std::abort();
        }
    }
}
BENCHMARK(BM_ExportedSeekAndFirstPacket)->Unit(benchmark::kMicrosecond);

void BM_SeekAndReadWithIndex(benchmark::State& state) {
    Capture capture;
    if (capture.open_for_read(capture_path())) std::abort();
    std::mt19937_64 random(7);
    std::uniform_int_distribution<int64_t> position(0, capture.length() - 1);
    CapturePacketHeader header;
    const uint8_t* data = nullptr;
    for (auto _ : state) {
        if (capture.seek(position(random)) || capture.read_packet(header, data)) std::abort();
        benchmark::DoNotOptimize(data);
    }
}
BENCHMARK(BM_SeekAndReadWithIndex)->Unit(benchmark::kMicrosecond);

void BM_FirstOpenBuildsIndex(benchmark::State& state) {
    const std::string& path = capture_path();
    for (auto _ : state) {
        state.PauseTiming();
        std::remove(druvex_sdk::capture_index_path(path).c_str());
        state.ResumeTiming();
        Capture capture;
        if (capture.open_for_read(path)) std::abort();
    }
}
BENCHMARK(BM_FirstOpenBuildsIndex)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_OpenWithIndex(benchmark::State& state) {
    const std::string& path = capture_path();
    (void)read_with_capture(path);
    for (auto _ : state) {
        Capture capture;
        if (capture.open_for_read(path)) std::abort();
    }
}
BENCHMARK(BM_OpenWithIndex)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
