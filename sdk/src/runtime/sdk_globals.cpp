// The SDK's global objects, defined in one place so that they are constructed
// in this order and destroyed in the reverse one: callers' slots and the error
// queue outlive everything that may report through them.
#include "capture/capture_replay.h"
#include "core/callback.h"
#include "core/error_queue_storage.h"
#include "core/sdk_state.h"
#include "frames/frame_manager.h"
#include "network/network_manager.h"
#include "sensors/sensor_manager.h"

namespace druvex_sdk {
namespace {

Callback<DruvexSensorErrorCallback> g_error_callback;
Callback<DruvexNetworkPacketCallback> g_network_packet_callback;
Callback<DruvexSensorRawFramesCallback> g_raw_frames_callback;
Callback<DruvexSensorImageFramesCallback> g_image_frames_callback;
ErrorQueueStorage g_error_queue;
SdkState g_state;
SensorManager g_sensor_manager;
NetworkManager g_network_manager;
CaptureReplay g_capture_replay;
FrameManager g_frame_manager;

}  // namespace

Callback<DruvexSensorErrorCallback>& error_callback() { return g_error_callback; }
Callback<DruvexNetworkPacketCallback>& network_packet_callback() {
    return g_network_packet_callback;
}
Callback<DruvexSensorRawFramesCallback>& raw_frames_callback() { return g_raw_frames_callback; }
Callback<DruvexSensorImageFramesCallback>& image_frames_callback() {
    return g_image_frames_callback;
}
ErrorQueueStorage& error_queue_storage() { return g_error_queue; }
SdkState& sdk_state() { return g_state; }
SensorManager& SensorManager::instance() { return g_sensor_manager; }
NetworkManager& NetworkManager::instance() { return g_network_manager; }
CaptureReplay& global_capture_replay() { return g_capture_replay; }
FrameManager& FrameManager::instance() { return g_frame_manager; }

}  // namespace druvex_sdk
