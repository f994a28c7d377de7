// An SDK session that collects frames and errors.
#include "sdk_session.h"

#include <cstring>
#include <stdexcept>

namespace druvex_test {
namespace {

void on_raw(uint64_t, size_t n, const DruvexSensorRawPointWithTime* points, void* user) {
    auto* session = static_cast<SdkSession*>(user);
    session->raw.insert(session->raw.end(), points, points + n);
    ++session->raw_calls;
}

void on_image(uint64_t, size_t n, const DruvexSensorImagePoint* points, void* user) {
    auto* session = static_cast<SdkSession*>(user);
    session->image.insert(session->image.end(), points, points + n);
}

void on_error(uint64_t handle, int32_t code, const char* message, const void* data, size_t size,
              void* user) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    static_cast<SdkSession*>(user)->errors.push_back(
        {handle, code, message, std::vector<uint8_t>(bytes, bytes + size)});
}

}  // namespace

SdkSession::SdkSession(uint32_t control_flags) {
    DruvexSDKOptions options = druvex_sdk_create_options();
    options.control_flags = control_flags | DRUVEX_SDK_CONTROL_DISABLE_NETWORK;
    if (druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, on_error, this) != 0 ||
        druvex_sdk_listen_raw_frames(on_raw, this) != 0 ||
        druvex_sdk_listen_image_frames(on_image, this) != 0) {
        throw std::runtime_error("SDK initialisation failed");
    }
}

SdkSession::~SdkSession() {
    // Errors still queued would reach the next session's callback.
    druvex_sdk_mock_network_receive(0, 0, nullptr, 0);
    druvex_sdk_deinitialize();
    const char* text = nullptr;
    druvex_sdk_get_error(&text);
}

int32_t SdkSession::send(uint64_t handle, const std::vector<uint8_t>& packet,
                         int64_t host_time_us) {
    return send(handle, packet.data(), packet.size(), host_time_us);
}

int32_t SdkSession::send(uint64_t handle, const uint8_t* data, size_t size, int64_t host_time_us) {
    return druvex_sdk_mock_network_receive(handle, host_time_us, data, size);
}

float fault_value(const SeenError& error) {
    float value = 0;
    if (error.data.size() == sizeof value) std::memcpy(&value, error.data.data(), sizeof value);
    return value;
}

}  // namespace druvex_test
