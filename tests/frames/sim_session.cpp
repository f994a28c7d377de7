// An SDK session fed by a simulated sensor through mock receive.
#include "sim_session.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

namespace druvex_test {
namespace {

void check(int32_t code, const char* what) {
    if (code != DRUVEX_SUCCESS) throw std::runtime_error(std::string(what) + " failed");
}

// Image x and z of a record, which together tell samples apart.
uint32_t record_xz(const druvex_sim::SensorSim& sim, const druvex_sim::Bytes& bytes, uint32_t i) {
    uint32_t xz = 0;
    std::memcpy(&xz, bytes.data() + 22 + i * sim.record_size(), sizeof(xz));
    return xz;
}

}  // namespace

SimSession::SimSession(druvex_sim::SimOptions options, uint32_t frame_mode, float length,
                       uint32_t extra_flags)
    : sim_(options) {
    DruvexSDKOptions sdk = druvex_sdk_create_options();
    sdk.control_flags = DRUVEX_SDK_CONTROL_DISABLE_NETWORK | extra_flags;
    sdk.frame_options.mode = frame_mode;
    sdk.frame_options.length = length;
    check(druvex_sdk_initialize(DRUVEX_SDK_VERSION, &sdk, nullptr, nullptr), "initialize");
    check(druvex_sdk_listen_raw_frames(on_raw, this), "listen raw");
    check(druvex_sdk_listen_image_frames(on_image, this), "listen image");
}

SimSession::~SimSession() { druvex_sdk_deinitialize(); }

void SimSession::send_info() {
    for (const auto& packet : sim_.info_packets()) {
        check(druvex_sdk_mock_network_receive(handle, sim_.options().host_start_us, packet.data(),
                                              packet.size()),
              "info");
    }
}

druvex_sim::SimDataPacket SimSession::send_data(int64_t host_time_offset_us) {
    druvex_sim::SimDataPacket packet = sim_.next_data_packet();
    for (uint32_t i = 0; i < packet.records; ++i)
        sent_xz_.push_back(record_xz(sim_, packet.bytes, i));
    check(druvex_sdk_mock_network_receive(handle, packet.host_time_us + host_time_offset_us,
                                          packet.bytes.data(), packet.bytes.size()),
          "data");
    return packet;
}

void SimSession::send_data_packets(int n) {
    for (int i = 0; i < n; ++i) send_data();
}

void SimSession::set_frame_options(uint32_t mode, float length) {
    DruvexSDKFrameOptions options = druvex_sdk_create_frame_options();
    options.mode = mode;
    options.length = length;
    check(druvex_sdk_set_frame_options(&options), "set frame options");
}

std::vector<DruvexSensorRawPointWithTime> SimSession::delivered_raw() const {
    std::vector<DruvexSensorRawPointWithTime> all;
    for (const auto& frame : frames_) all.insert(all.end(), frame.raw.begin(), frame.raw.end());
    return all;
}

// The raw-frames callback always comes first and opens a new frame record.
void SimSession::on_raw(uint64_t, size_t n, const DruvexSensorRawPointWithTime* points,
                        void* user) {
    auto* self = static_cast<SimSession*>(user);
    self->frames_.push_back(DeliveredFrame{{points, points + n}, {}});
}

void SimSession::on_image(uint64_t, size_t n, const DruvexSensorImagePoint* points, void* user) {
    auto* self = static_cast<SimSession*>(user);
    if (self->frames_.empty() || !self->frames_.back().image.empty()) {
        ADD_FAILURE() << "image frame without its raw frame";
        return;
    }
    self->frames_.back().image.assign(points, points + n);
}

}  // namespace druvex_test
