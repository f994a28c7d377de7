// The live network path through the exported calls: real datagrams on
// loopback, port moves, switching networking off and on, and failures that
// must come back as codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "druvex_sdk.h"
#include "loopback.h"
#include "network/network_manager.h"
#include "support/wait.h"

using druvex_sdk::NetworkManager;
using druvex_test::Collector;
using druvex_test::Received;
using druvex_test::UdpSender;
using namespace std::chrono_literals;

namespace {

constexpr uint64_t localhost = 0x7F000001;

struct ErrorSeen {
    uint64_t handle;
    int32_t code;
    std::string message;
    std::vector<uint8_t> data;
};

int64_t now_usec() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

void collect_error(uint64_t handle, int32_t code, const char* message, const void* data,
                   size_t size, void* user) {
    auto bytes = static_cast<const uint8_t*>(data);
    static_cast<Collector<ErrorSeen>*>(user)->add(
        ErrorSeen{handle, code, message, std::vector<uint8_t>(bytes, bytes + size)});
}

void collect_packet(uint64_t handle, int64_t timestamp, const uint8_t* data, size_t size,
                    void* user) {
    static_cast<Collector<Received>*>(user)->add(
        Received{handle, timestamp, std::vector<uint8_t>(data, data + size)});
}

std::string last_error_text() {
    const char* text = nullptr;
    druvex_sdk_get_error(&text);
    return text;
}

class LiveNetwork : public ::testing::Test {
protected:
    void SetUp() override {
        port = druvex_test::free_udp_port();
        ASSERT_EQ(initialize(port), DRUVEX_SUCCESS);
    }
    void TearDown() override {
        druvex_sdk_deinitialize();
        druvex_sdk_get_error(nullptr);
    }

    int32_t initialize(uint16_t on_port) {
        DruvexSDKOptions options = druvex_sdk_create_options();
        options.port = on_port;
        return druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, collect_error, &errors);
    }

    void listen() {
        ASSERT_EQ(druvex_sdk_listen_network_packet(collect_packet, &packets), DRUVEX_SUCCESS);
    }

    // Sends a marker until it comes through (the listener may still be
    // starting) and returns everything received up to it.
    std::vector<Received> through_marker(uint16_t to_port, const std::string& marker) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            sender.send(to_port, marker);
            const size_t seen = packets.size();
            if (packets.wait_for(seen + 1, 200ms)) {
                for (const auto& p : packets.entries()) {
                    if (druvex_test::text_of(p.data) == marker) return packets.entries();
                }
            }
        }
        ADD_FAILURE() << "marker " << marker << " never arrived on port " << to_port;
        return packets.entries();
    }

    uint16_t port = 0;
    UdpSender sender;
    Collector<Received> packets;
    Collector<ErrorSeen> errors;
};

size_t count_text(const std::vector<Received>& got, const std::string& text) {
    size_t n = 0;
    for (const auto& p : got) n += druvex_test::text_of(p.data) == text ? 1 : 0;
    return n;
}

}  // namespace

TEST_F(LiveNetwork, DatagramsSentAreDeliveredInOrderWithSenderHandle) {
    listen();
    through_marker(port, "ready");
    packets.clear();
    const int64_t before = now_usec();
    std::vector<std::vector<uint8_t>> sent;
    for (int i = 0; i < 200; ++i) {
        std::vector<uint8_t> bytes(100 + i * 5);
        for (size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<uint8_t>(i + k);
        sender.send(port, bytes);
        sent.push_back(bytes);
        // Small groups: the kernel's socket buffer, not the SDK, would drop
        // an unpaced burst on a loaded machine.
        if (sent.size() % 10 == 0) {
            ASSERT_TRUE(packets.wait_for(sent.size()));
        }
    }
    const int64_t after = now_usec();
    const auto got = packets.entries();
    ASSERT_EQ(got.size(), sent.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].data, sent[i]) << i;
        EXPECT_EQ(got[i].handle, localhost);
        EXPECT_GE(got[i].timestamp, before);
        EXPECT_LE(got[i].timestamp, after);
        if (i > 0) {
            EXPECT_GE(got[i].timestamp, got[i - 1].timestamp);
        }
    }
}

TEST_F(LiveNetwork, SetPortMovesTheListener) {
    listen();
    through_marker(port, "old port");
    const uint16_t moved = druvex_test::free_udp_port();
    ASSERT_EQ(druvex_sdk_set_port(moved), DRUVEX_SUCCESS);
    EXPECT_EQ(druvex_sdk_get_port(), moved);
    sender.send(port, "lost");
    const auto got = through_marker(moved, "new port");
    EXPECT_EQ(count_text(got, "lost"), 0u);
}

TEST_F(LiveNetwork, DisablingNetworkStopsListeningAndClearingRestarts) {
    listen();
    through_marker(port, "on");
    ASSERT_EQ(druvex_sdk_set_control_flags(DRUVEX_SDK_CONTROL_DISABLE_NETWORK,
                                           DRUVEX_SDK_CONTROL_DISABLE_NETWORK),
              DRUVEX_SUCCESS);
    EXPECT_FALSE(NetworkManager::instance().is_listening());
    sender.send(port, "while off");
    // While off, a port change is only stored.
    const uint16_t later = druvex_test::free_udp_port();
    ASSERT_EQ(druvex_sdk_set_port(later), DRUVEX_SUCCESS);
    EXPECT_FALSE(NetworkManager::instance().is_listening());
    ASSERT_EQ(druvex_sdk_set_control_flags(DRUVEX_SDK_CONTROL_DISABLE_NETWORK, 0), DRUVEX_SUCCESS);
    EXPECT_TRUE(NetworkManager::instance().is_listening());
    const auto got = through_marker(later, "back on");
    EXPECT_EQ(count_text(got, "while off"), 0u);
}

TEST_F(LiveNetwork, MockReceiveOnlyWithNetworkingOffAndNeverReachesPacketCallback) {
    listen();
    const uint8_t bytes[] = {'S', 'T', 'D', 'P'};
    druvex_sdk_get_error(nullptr);
    EXPECT_EQ(druvex_sdk_mock_network_receive(0x0A000005, 1, bytes, sizeof(bytes)),
              DRUVEX_ERROR_COMMUNICATION);
    EXPECT_EQ(last_error_text(), "DRUVEX_ERROR_COMMUNICATION: Must disable networking!");
    ASSERT_EQ(druvex_sdk_set_control_flags(DRUVEX_SDK_CONTROL_DISABLE_NETWORK,
                                           DRUVEX_SDK_CONTROL_DISABLE_NETWORK),
              DRUVEX_SUCCESS);
    EXPECT_EQ(druvex_sdk_mock_network_receive(0x0A000005, 1, bytes, sizeof(bytes)), DRUVEX_SUCCESS);
    EXPECT_EQ(packets.size(), 0u);
}

TEST_F(LiveNetwork, PortThatCannotBeBoundIsAnErrorCode) {
    asio::io_context io;
    asio::ip::udp::socket blocker(io, asio::ip::udp::endpoint(asio::ip::udp::v4(), 0));
    const uint16_t busy = blocker.local_endpoint().port();
    druvex_sdk_get_error(nullptr);
    EXPECT_EQ(druvex_sdk_set_port(busy), DRUVEX_ERROR_COMMUNICATION);
    EXPECT_NE(last_error_text().find("bind"), std::string::npos);
    EXPECT_FALSE(NetworkManager::instance().is_listening());
    EXPECT_EQ(druvex_sdk_get_port(), busy);
    // Moving to a usable port brings the listener back.
    listen();
    ASSERT_EQ(druvex_sdk_set_port(port), DRUVEX_SUCCESS);
    EXPECT_TRUE(NetworkManager::instance().is_listening());
    through_marker(port, "recovered");

    // Initialisation on a busy port fails the same way and leaves the SDK
    // uninitialised.
    druvex_sdk_deinitialize();
    EXPECT_EQ(initialize(busy), DRUVEX_ERROR_COMMUNICATION);
    EXPECT_EQ(druvex_sdk_is_initialized(), 0);
}

namespace {

struct Reentry {
    uint16_t new_port = 0;
    std::atomic<int> calls{0};
    std::atomic<int32_t> result{1};
    Collector<Received>* packets = nullptr;
};

// On its first packet, moves the port from the processing thread itself.
void move_port_from_callback(uint64_t handle, int64_t timestamp, const uint8_t* data, size_t size,
                             void* user) {
    auto* reentry = static_cast<Reentry*>(user);
    if (reentry->calls++ == 0) reentry->result = druvex_sdk_set_port(reentry->new_port);
    collect_packet(handle, timestamp, data, size, reentry->packets);
}

}  // namespace

TEST_F(LiveNetwork, CallbackMayRestartTheNetworkFromTheProcessingThread) {
    Reentry reentry;
    reentry.new_port = druvex_test::free_udp_port();
    reentry.packets = &packets;
    ASSERT_EQ(druvex_sdk_listen_network_packet(move_port_from_callback, &reentry), DRUVEX_SUCCESS);
    sender.send(port, "moves the port");
    ASSERT_TRUE(packets.wait_for(1));
    EXPECT_EQ(reentry.result.load(), DRUVEX_SUCCESS);
    EXPECT_TRUE(NetworkManager::instance().is_listening());
    through_marker(reentry.new_port, "on the new port");
    // And the manager still stops and restarts cleanly from here.
    ASSERT_EQ(druvex_sdk_set_port(port), DRUVEX_SUCCESS);
    through_marker(port, "back");
}

// Two threads move the port back and forth while a third switches networking
// off and on: every call returns, and afterwards the SDK listens where the
// port was set last.
TEST_F(LiveNetwork, PortMovesAndNetworkSwitchesFromSeveralThreadsTakeTurns) {
    listen();
    const uint16_t ports[2] = {port, druvex_test::free_udp_port()};
    constexpr int turns = 100;
    std::atomic<int> failed{0};
    const auto move_port = [&](int first) {
        for (int i = 0; i < turns; ++i) {
            if (druvex_sdk_set_port(ports[(first + i) % 2]) != DRUVEX_SUCCESS) ++failed;
        }
    };
    // Ends with networking on.
    const auto switch_network = [&] {
        for (int i = 0; i < turns; ++i) {
            const uint32_t flags = i % 2 == 0 ? DRUVEX_SDK_CONTROL_DISABLE_NETWORK : 0;
            if (druvex_sdk_set_control_flags(DRUVEX_SDK_CONTROL_DISABLE_NETWORK, flags) != 0) {
                ++failed;
            }
        }
    };
    std::thread one(move_port, 0), other(move_port, 1), switcher(switch_network);
    one.join();
    other.join();
    switcher.join();
    EXPECT_EQ(failed.load(), 0);
    EXPECT_EQ(druvex_sdk_has_control_flag(DRUVEX_SDK_CONTROL_DISABLE_NETWORK), 0);
    EXPECT_TRUE(NetworkManager::instance().is_listening());
    const uint16_t last = druvex_sdk_get_port();
    ASSERT_TRUE(last == ports[0] || last == ports[1]) << last;
    sender.send(last == ports[0] ? ports[1] : ports[0], "elsewhere");
    const auto got = through_marker(last, "where it was set last");
    EXPECT_EQ(count_text(got, "elsewhere"), 0u);
}

namespace {

// What a network-packet callback got back from deinitialising the SDK and
// removing itself.
struct SelfRemoval {
    std::atomic<int> calls{0};
    std::string deinitialised;
    int32_t unlistened = 1;
    std::atomic<bool> done{false};
};

void deinitialise_and_unlisten(uint64_t, int64_t, const uint8_t*, size_t, void* user) {
    auto* removal = static_cast<SelfRemoval*>(user);
    if (removal->calls++ != 0) return;
    const int32_t code = druvex_sdk_deinitialize();
    removal->deinitialised = std::to_string(code) + " " + last_error_text();
    removal->unlistened = druvex_sdk_unlisten_network_packet();
    removal->done = true;
}

}  // namespace

TEST_F(LiveNetwork, CallbackCannotDeinitialiseButMayRemoveItself) {
    SelfRemoval removal;
    ASSERT_EQ(druvex_sdk_listen_network_packet(deinitialise_and_unlisten, &removal), 0);
    sender.send(port, "first");
    ASSERT_TRUE(druvex::testing::wait_until([&] { return removal.done.load(); }));
    EXPECT_EQ(removal.deinitialised, "-1 DRUVEX_ERROR_GENERIC: Resource deadlock avoided");
    EXPECT_EQ(removal.unlistened, DRUVEX_SUCCESS);
    EXPECT_EQ(druvex_sdk_is_initialized(), 1);
    // The slot is free again and the network goes on.
    listen();
    through_marker(port, "still listening");
    EXPECT_EQ(removal.calls.load(), 1);
}

TEST_F(LiveNetwork, ReceiveErrorReachesErrorCallbackAtNextPacket) {
    listen();
    NetworkManager::instance().receive(std::make_error_code(std::errc::no_buffer_space), 0, 0,
                                       nullptr);
    through_marker(port, "next");
    ASSERT_TRUE(errors.wait_for(1));
    const ErrorSeen seen = errors.entries()[0];
    EXPECT_EQ(seen.handle, 0u);
    EXPECT_EQ(seen.code, DRUVEX_ERROR_COMMUNICATION);
    EXPECT_EQ(seen.message, std::make_error_code(std::errc::no_buffer_space).message());
    ASSERT_EQ(seen.data.size(), 16u);
    int32_t value = 0;
    std::memcpy(&value, seen.data.data(), sizeof(value));
    EXPECT_EQ(value, ENOBUFS);
}

namespace {

struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    Collector<Received>* packets = nullptr;
};

// Holds the processing thread on the first packet until the gate opens.
void wait_at_gate(uint64_t handle, int64_t timestamp, const uint8_t* data, size_t size,
                  void* user) {
    auto* gate = static_cast<Gate*>(user);
    {
        std::unique_lock<std::mutex> lock(gate->mutex);
        gate->opened.wait(lock, [gate] { return gate->open; });
    }
    collect_packet(handle, timestamp, data, size, gate->packets);
}

}  // namespace

TEST_F(LiveNetwork, BurstBeyondQueueLimitIsDroppedAndReceptionGoesOn) {
    Gate gate;
    gate.packets = &packets;
    ASSERT_EQ(druvex_sdk_listen_network_packet(wait_at_gate, &gate), DRUVEX_SUCCESS);
    const uint64_t dropped_before = druvex_sdk_get_n_dropped_packets();
    sender.send(port, "held");
    const std::vector<uint8_t> small(32, 0xAB);
    size_t largest_queue = 0;
    for (int i = 0; i < 3000; ++i) {
        sender.send(port, small);
        if (i % 100 == 99) {
            // Let the I/O thread keep pace so the socket buffer does the
            // dropping as little as possible.
            std::this_thread::sleep_for(2ms);
            largest_queue = std::max(largest_queue, NetworkManager::instance().queue().size());
        }
    }
    for (int i = 0; i < 20; ++i) {
        std::this_thread::sleep_for(10ms);
        largest_queue = std::max(largest_queue, NetworkManager::instance().queue().size());
    }
    EXPECT_LE(largest_queue, 1001u);
    {
        std::lock_guard<std::mutex> lock(gate.mutex);
        gate.open = true;
    }
    gate.opened.notify_all();
    const auto got = through_marker(port, "after the burst");
    EXPECT_LT(got.size(), 3002u);
    // What the queue dropped is counted; the socket may have dropped more.
    const uint64_t dropped = druvex_sdk_get_n_dropped_packets() - dropped_before;
    EXPECT_GT(dropped, 0u);
    const size_t small_got = static_cast<size_t>(std::count_if(
        got.begin(), got.end(), [](const Received& p) { return p.data.size() == 32; }));
    EXPECT_LE(small_got + dropped, 3000u);
}
