// Loopback throughput of the live network path: two sender threads send
// datagrams of 1 KB to the SDK's port; the network-packet callback counts what
// is delivered. Reports datagrams per second sent, received by the socket and
// delivered, the loss, and the allocations per packet made by the SDK's
// threads after warm-up; a plain recvmmsg receiver is measured alongside.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "counting_allocator.h"
#include "druvex_sdk.h"
#include "support/free_port.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint64_t datagram_count = 400000;
constexpr size_t datagram_size = 1024;
constexpr uint64_t warm_up = 20000;

struct Delivery {
    std::atomic<uint64_t> delivered{0};
    // The processing thread's own allocation counts at warm-up and at the end.
    std::atomic<uint64_t> processing_at_warm_up{0};
    std::atomic<uint64_t> processing_now{0};
    std::atomic<uint64_t> counted_at_warm_up{0};
};

void on_packet(uint64_t, int64_t, const uint8_t*, size_t, void* user) {
    auto* d = static_cast<Delivery*>(user);
    const uint64_t n = d->delivered.fetch_add(1) + 1;
    if (n == warm_up) {
        d->processing_at_warm_up = druvex_bench::thread_allocations();
        d->counted_at_warm_up = druvex_bench::counted_allocations();
    }
    d->processing_now = druvex_bench::thread_allocations();
}

// Datagrams the kernel dropped for the socket bound to the port.
uint64_t socket_drops(uint16_t port) {
    std::ifstream table("/proc/net/udp");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, skip;
        fields >> slot >> local;
        if (std::stoul(local.substr(local.find(':') + 1), nullptr, 16) != port) continue;
        std::string last;
        while (fields >> skip) last = skip;
        return std::stoull(last);
    }
    return 0;
}

// Sends `count` datagrams, at most `rate` per second (0: as fast as possible).
void send_datagrams(uint16_t port, uint64_t count, double rate) {
    druvex_bench::exclude_this_thread();
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::vector<uint8_t> payload(datagram_size, 0x5A);
    const auto start = Clock::now();
    for (uint64_t i = 0; i < count; ++i) {
        if (rate > 0 && i % 10 == 0) {
            std::this_thread::sleep_until(start + std::chrono::duration<double>(i / rate));
        }
        sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&target),
               sizeof(target));
    }
    close(fd);
}

// Two senders, as two sensors, sharing `rate` and `count`; returns the
// seconds the sending took.
double send_from_two(uint16_t port, uint64_t count, double rate) {
    const auto start = Clock::now();
    std::thread first(send_datagrams, port, count / 2, rate / 2);
    std::thread second(send_datagrams, port, count - count / 2, rate / 2);
    first.join();
    second.join();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Waits until the count has not changed for 300 ms; returns when it last did.
Clock::time_point settled(const std::atomic<uint64_t>& count) {
    uint64_t seen = 0;
    auto last_change = Clock::now();
    while (Clock::now() - last_change < std::chrono::milliseconds(300)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (count != seen) {
            seen = count;
            last_change = Clock::now();
        }
    }
    return last_change;
}

void report_rates(benchmark::State& state, double send_seconds, double seconds, uint64_t delivered,
                  uint64_t kernel_drops) {
    const uint64_t received = datagram_count - kernel_drops;
    state.SetIterationTime(seconds);
    state.counters["sent_per_s"] = datagram_count / send_seconds;
    state.counters["received_per_s"] = received / seconds;
    state.counters["delivered_per_s"] = delivered / seconds;
    state.counters["loss_pct"] = 100.0 * (datagram_count - delivered) / datagram_count;
    state.counters["socket_drops"] = static_cast<double>(kernel_drops);
    state.counters["queue_drops"] = static_cast<double>(received - delivered);
}

void BM_LoopbackThroughput(benchmark::State& state) {
    druvex_bench::exclude_this_thread();
    const double rate = static_cast<double>(state.range(0));
    for (auto _ : state) {
        Delivery delivery;
        DruvexSDKOptions options = druvex_sdk_create_options();
        options.port = druvex::testing::free_udp_port();
        if (druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, nullptr, nullptr) != 0 ||
            druvex_sdk_listen_network_packet(on_packet, &delivery) != 0) {
            state.SkipWithError("SDK did not start");
            return;
        }
        const auto start = Clock::now();
        const double send_seconds = send_from_two(options.port, datagram_count, rate);
        // Let the processing thread drain what was received.
        const double seconds =
            std::chrono::duration<double>(settled(delivery.delivered) - start).count();
        const uint64_t kernel_drops = socket_drops(options.port);
        const uint64_t counted_after = druvex_bench::counted_allocations();
        druvex_sdk_deinitialize();

        const uint64_t delivered = delivery.delivered;
        report_rates(state, send_seconds, seconds, delivered, kernel_drops);
        const uint64_t steady = delivered > warm_up ? delivered - warm_up : 1;
        const uint64_t processing = delivery.processing_now - delivery.processing_at_warm_up;
        const uint64_t both = counted_after - delivery.counted_at_warm_up;
        state.counters["allocs_per_packet_processing"] = static_cast<double>(processing) / steady;
        state.counters["allocs_per_packet_io"] = static_cast<double>(both - processing) / steady;
    }
}

// The yardstick: a plain receiver that takes datagrams in batches of 64 with
// recvmmsg into buffers of its own and looks at each, with the socket set up
// as the SDK's (same receive buffer).
void receive_plainly(int fd, std::atomic<uint64_t>& received, const std::atomic<bool>& stop) {
    druvex_bench::exclude_this_thread();
    constexpr size_t batch = 64;
    std::vector<std::vector<uint8_t>> buffers(batch, std::vector<uint8_t>(65536));
    iovec vectors[batch];
    mmsghdr messages[batch];
    sockaddr_in senders[batch];
    volatile uint8_t sink = 0;
    while (!stop) {
        for (size_t k = 0; k < batch; ++k) {
            vectors[k] = {buffers[k].data(), buffers[k].size()};
            messages[k] = {};
            messages[k].msg_hdr.msg_iov = &vectors[k];
            messages[k].msg_hdr.msg_iovlen = 1;
            messages[k].msg_hdr.msg_name = &senders[k];
            messages[k].msg_hdr.msg_namelen = sizeof senders[k];
        }
        const int n = recvmmsg(fd, messages, batch, MSG_WAITFORONE, nullptr);
        for (int k = 0; k < n; ++k) sink = sink + buffers[k][messages[k].msg_len - 1];
        if (n > 0) received += static_cast<uint64_t>(n);
    }
}

void BM_PlainRecvmmsgReceiver(benchmark::State& state) {
    druvex_bench::exclude_this_thread();
    const double rate = static_cast<double>(state.range(0));
    for (auto _ : state) {
        const uint16_t port = druvex::testing::free_udp_port();
        const int fd = socket(AF_INET, SOCK_DGRAM, 0);
        const int buffer_bytes = 4 << 20;
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer_bytes, sizeof buffer_bytes);
        const timeval timeout{0, 100000};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        std::atomic<uint64_t> received{0};
        std::atomic<bool> stop{false};
        std::thread receiver(receive_plainly, fd, std::ref(received), std::cref(stop));
        const auto start = Clock::now();
        const double send_seconds = send_from_two(port, datagram_count, rate);
        const double seconds = std::chrono::duration<double>(settled(received) - start).count();
        const uint64_t kernel_drops = socket_drops(port);
        stop = true;
        receiver.join();
        close(fd);
        report_rates(state, send_seconds, seconds, received, kernel_drops);
    }
}

}  // namespace

// Two senders, as fast as they can (0) or paced together at 100 000 and
// 400 000 datagrams per second; the SDK and the plain receiver in one run.
BENCHMARK(BM_LoopbackThroughput)
    ->Arg(0)
    ->Arg(100000)
    ->Arg(400000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainRecvmmsgReceiver)
    ->Arg(0)
    ->Arg(100000)
    ->Arg(400000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
