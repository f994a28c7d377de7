// What the Config and Sensors panels ask of the application when they change
// the SDK's options or switch sensors.
#pragma once

#include <cstdint>
#include <string>

namespace druvex {

class SdkError;
class View;

// The SDK's flags and port are the SDK's own; the host says what it refused
// and refills a paused replay's views after a change.
class SdkOptionsHost {
public:
    virtual ~SdkOptionsHost() = default;

    // To the log and standard error; nothing for a success.
    virtual void report_sdk_error(const SdkError& error, const std::string& context) const = 0;
    // A paused replay's views refilled, so that a change shows at once.
    virtual void refresh_frames() = 0;

    // The view whose sensors the Sensors panel lists, null before any.
    virtual View* first_view() const = 0;
    virtual void set_sensor_enabled(uint64_t handle, bool enabled) = 0;
    virtual bool is_sensor_enabled(uint64_t handle) const = 0;
};

}  // namespace druvex
