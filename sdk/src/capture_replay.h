// Capture replay. (Placeholder until capture files arrive.)
#pragma once

#include "sensor_error.h"

namespace druvex_sdk {

class CaptureReplay {
public:
    ~CaptureReplay() { close(); }
    SensorError close() { return success(); }
};

// The replay behind the exported druvex_sdk_capture_replay_* calls.
CaptureReplay& global_capture_replay();

}  // namespace druvex_sdk
