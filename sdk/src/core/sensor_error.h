// The SDK's result value: a code plus a detail text, with a formatted what().
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "druvex_sdk.h"

namespace druvex_sdk {

const char* error_code_name(int32_t code);

class SensorError : public std::runtime_error {
public:
    SensorError() : SensorError(DRUVEX_SUCCESS, "") {}
    explicit SensorError(int32_t code, const char* message = "");
    SensorError(int32_t code, const std::string& message) : SensorError(code, message.c_str()) {}
    SensorError(const SensorError&) = default;
    SensorError(SensorError&& other) noexcept;
    SensorError& operator=(const SensorError&) = default;
    SensorError& operator=(SensorError&& other) noexcept;

    bool ok() const { return code == DRUVEX_SUCCESS; }
    explicit operator bool() const { return !ok(); }

    int32_t code;
    std::string message;
};

// The refusal of a call that would wait for the calling thread itself, or
// pull the data it is handling from under it (a callback's calls back into
// the SDK): DRUVEX_ERROR_GENERIC, "Resource deadlock avoided".
SensorError refused_in_callback();

// A copy of one shared success value: copying shares its formatted text, so
// the packet path can return success without allocating. The value is never
// destroyed, because the at-exit shutdown still returns success.
inline SensorError success() {
    static const SensorError* const value = new SensorError();
    return *value;
}

}  // namespace druvex_sdk
