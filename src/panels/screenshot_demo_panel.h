// The Tools group's "Screenshot" button and "Demo Mode" choice.
#pragma once

#include <cstdint>

namespace druvex {

// The demo input's kinds, as the "Demo Mode" choice lists them.
enum class IMUEnum : int32_t { None = 0, Tembrix = 1 };

}  // namespace druvex
