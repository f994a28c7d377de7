// An SDK session that records what a replay delivers.
#include "replay_session.h"

#include <gtest/gtest.h>

#include "druvex_sdk.h"
#include "support/free_port.h"
#include "support/wait.h"

namespace capture_test {

ReplaySession::ReplaySession() {
    DruvexSDKOptions options = druvex_sdk_create_options();
    options.control_flags = DRUVEX_SDK_CONTROL_DISABLE_NETWORK;
    // Off the sensors' port, should a test turn networking on: other programs
    // on the machine may send there.
    options.port = druvex::testing::free_udp_port();
    EXPECT_EQ(druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, &ReplaySession::on_error, this),
              0);
    EXPECT_EQ(druvex_sdk_listen_network_packet(&ReplaySession::on_packet, this), 0);
}

ReplaySession::~ReplaySession() {
    druvex_sdk_deinitialize();
    const char* text = nullptr;
    druvex_sdk_get_error(&text);
}

void ReplaySession::on_packet(uint64_t handle, int64_t timestamp, const uint8_t* data, size_t size,
                              void* self) {
    auto* session = static_cast<ReplaySession*>(self);
    std::lock_guard<std::mutex> lock(session->mutex_);
    session->packets_.push_back({handle, timestamp, std::vector<uint8_t>(data, data + size)});
    session->arrivals_.push_back(std::chrono::steady_clock::now());
}

void ReplaySession::on_error(uint64_t, int32_t code, const char* message, const void*, size_t,
                             void* self) {
    auto* session = static_cast<ReplaySession*>(self);
    std::lock_guard<std::mutex> lock(session->mutex_);
    session->errors_.push_back(std::to_string(code) + ": " + message);
}

std::vector<std::string> ReplaySession::errors() {
    std::lock_guard<std::mutex> lock(mutex_);
    return errors_;
}

std::vector<Packet> ReplaySession::packets() {
    std::lock_guard<std::mutex> lock(mutex_);
    return packets_;
}

std::vector<std::chrono::steady_clock::time_point> ReplaySession::arrivals() {
    std::lock_guard<std::mutex> lock(mutex_);
    return arrivals_;
}

size_t ReplaySession::count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return packets_.size();
}

bool ReplaySession::wait_for(size_t n) {
    return druvex::testing::wait_until([&] { return count() >= n; });
}

}  // namespace capture_test
