// The calibration body that information packets carry from offset 56 on, in
// its four layouts ("DVX8", "DVX9", "DVXA" and the fixed eight-channel one).
#pragma once

#include <cstddef>
#include <cstdint>

#include "druvex_sdk.h"

namespace druvex_sdk {

constexpr uint32_t fixed_body_magic = 0xB8435343u;

// Parses a body into `out` (zeroed first). False for an unknown magic or a
// body that fails its limits; `out` is then meaningless.
bool parse_info_body(const uint8_t* body, size_t length, DruvexCalibration& out);

}  // namespace druvex_sdk
