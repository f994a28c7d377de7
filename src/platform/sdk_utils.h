// The viewer's side of the SDK's exported API: error values and small calls
// that several components share.
#pragma once

#include <druvex_sdk.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace druvex {

// An SDK result as the viewer sees it: a code plus the detail text. what()
// reads "<code name>" or "<code name>: <detail>".
class SdkError : public std::runtime_error {
public:
    SdkError() : SdkError(DRUVEX_SUCCESS, "") {}
    SdkError(int32_t code, const std::string& message);

    bool ok() const { return code == DRUVEX_SUCCESS; }

    int32_t code;
    std::string message;
};

// Fetches (and clears) the calling thread's last SDK failure.
SdkError last_sdk_error();

// All zero when the sensor or its calibration cannot be found.
DruvexCalibration get_calibration_by_serial(uint64_t serial);

bool has_sdk_control_flag(uint32_t mask);
void set_sdk_control_flag(uint32_t mask, bool on);

}  // namespace druvex
