// What the SDK knows about each sensor model: display name, channel count,
// decoding constants and default lens distortion.
#pragma once

#include <cstdint>

namespace druvex_sdk {

struct ModelConstants {
    float focal_length;
    float image_x_scale;
    float image_z_scale;
    float distance_scale;
};

struct Distortion {
    float k1;
    float k2;
    float k3;
};

// "" for a code that names no model.
const char* model_name(uint16_t model);
// `firmware` is the NUL-terminated version text of the sensor.
ModelConstants model_constants(uint16_t model, const char* firmware);
uint16_t model_channel_count(uint16_t model);
Distortion default_distortion(uint16_t model);
// The model a sensor must be when its packets do not say.
uint16_t model_from_firmware(const char* firmware);
// Model 3 firmware that needs the saturated-distance adjustment.
bool firmware_needs_saturation_adjustment(uint16_t model, const char* firmware);

}  // namespace druvex_sdk
