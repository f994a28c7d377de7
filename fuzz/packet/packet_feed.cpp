// Feeds a fuzzer input through the packet router as live and replayed traffic.
#include "packet_feed.h"

#include <algorithm>
#include <vector>

#include "core/sdk_manager.h"
#include "core/sdk_state.h"
#include "druvex_sdk.h"
#include "network/packet_router.h"

namespace druvex_fuzz {
namespace {

constexpr uint64_t handles[4] = {0x0A00002A, 0x0A00002B, 0xC0A80101, 0x10A00002A};
constexpr uint32_t selectable_flags[6] = {
    DRUVEX_SDK_CONTROL_DISABLE_IMAGE_CLIP,       DRUVEX_SDK_CONTROL_DISABLE_DISTANCE_CLIP,
    DRUVEX_SDK_CONTROL_ENABLE_MULTIPLE_RETURNS,  DRUVEX_SDK_CONTROL_ENABLE_STRAY_FILTER,
    DRUVEX_SDK_CONTROL_DISABLE_INFO_CALIBRATION, DRUVEX_SDK_CONTROL_USE_PACKET_TIME};

volatile float g_sink;

void on_raw(uint64_t, size_t n, const DruvexSensorRawPointWithTime* points, void*) {
    uint32_t sum = 0;
    for (size_t i = 0; i < n; ++i) sum += points[i].distance[0] + points[i].channel_id;
    g_sink = static_cast<float>(sum);
}

void on_image(uint64_t, size_t n, const DruvexSensorImagePoint* points, void*) {
    float sum = 0;
    for (size_t i = 0; i < n; ++i) sum += points[i].distance + points[i].image_x;
    g_sink = sum;
}

void on_error(uint64_t, int32_t, const char* message, const void* data, size_t size, void*) {
    uint8_t sum = static_cast<uint8_t>(message[0]);
    for (size_t i = 0; i < size; ++i) sum += static_cast<const uint8_t*>(data)[i];
    g_sink = sum;
}

// Each stream runs in an SDK of its own, so no state (and no initialised SDK
// at process exit) outlives it.
void initialize() {
    DruvexSDKOptions options = druvex_sdk_create_options();
    options.control_flags = DRUVEX_SDK_CONTROL_DISABLE_NETWORK;
    druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, on_error, nullptr);
    druvex_sdk_listen_raw_frames(on_raw, nullptr);
    druvex_sdk_listen_image_frames(on_image, nullptr);
}

uint32_t flags_of(uint8_t selector) {
    uint32_t flags = DRUVEX_SDK_CONTROL_DISABLE_NETWORK;
    for (int bit = 0; bit < 6; ++bit) {
        if (selector & (4u << bit)) flags |= selectable_flags[bit];
    }
    return flags;
}

}  // namespace

size_t feed_packets(const uint8_t* data, size_t size) {
    initialize();
    int64_t host_time = 1765000000000000;
    size_t routed = 0;
    std::vector<uint8_t> packet;
    while (size >= 3) {
        const uint8_t selector = data[0];
        const size_t length = std::min<size_t>(data[1] | size_t{data[2]} << 8, size - 3);
        data += 3;
        size -= 3;
        druvex_sdk::sdk_state().control_flags = flags_of(selector);
        // An exactly sized copy, so that any read past the packet is caught.
        packet.assign(data, data + length);
        const uint8_t* bytes = packet.empty() ? nullptr : packet.data();
        druvex_sdk::route_packet(handles[selector & 3], host_time, length, bytes);
        host_time += 1000;
        data += length;
        size -= length;
        ++routed;
    }
    druvex_sdk::SdkManager::dispatch_errors();
    druvex_sdk_deinitialize();
    return routed;
}

}  // namespace druvex_fuzz
