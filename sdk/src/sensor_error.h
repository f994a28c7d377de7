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

// A copy of one shared value: copying shares its formatted text, so the
// packet path returns success without touching the heap. The value is never
// destroyed, as at-exit code still returns success.
inline SensorError success() {
    static const SensorError& ok = *new SensorError();
    return ok;
}

}  // namespace druvex_sdk
