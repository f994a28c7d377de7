#include "network_manager.h"

#include "sdk_manager.h"

namespace druvex_sdk {

SensorError NetworkManager::start() {
    stop();
    if (SdkManager::has_control_flag(DRUVEX_SDK_CONTROL_DISABLE_NETWORK)) return success();
    listening_ = true;
    return success();
}

void NetworkManager::stop() { listening_ = false; }

SensorError NetworkManager::set_port(uint16_t port) {
    const bool was_listening = listening_;
    stop();
    port_ = port;
    return was_listening ? start() : success();
}

}  // namespace druvex_sdk
