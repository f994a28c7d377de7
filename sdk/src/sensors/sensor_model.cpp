// The table of sensor models and their properties.
#include "sensor_model.h"

namespace druvex_sdk {
namespace {

constexpr float generic_distance_scale = 0.0009993083f;

// True when the firmware starts with "V<major>" and its third character is
// below `limit`.
bool firmware_below(const char* firmware, char major, char limit) {
    return firmware[0] == 'V' && firmware[1] == major && firmware[2] < limit;
}

}  // namespace

const char* model_name(uint16_t model) {
    switch (model) {
        case 1: return "QX42T";
        case 3: return "QX42W";
        case 4: return "ZUNA 120";
        case 5: return "Orvel 330";
        case 6: return "QX42T Rev2";
        case 7: return "Orvel 330 Gen2";
        case 8: return "Brisel 510";
        default: return "";
    }
}

ModelConstants model_constants(uint16_t model, const char* firmware) {
    switch (model) {
        case 1: return {0.05f, 2.7e-6f, 3.3e-6f, 0.004996541f};
        case 3:
            return {0.0168f, 1.4e-6f, 2.7e-6f,
                    firmware_below(firmware, '2', '6') ? 0.003973f : generic_distance_scale};
        case 4:
            return {0.0168f, 1e-6f, 1e-6f,
                    firmware_below(firmware, '4', '2') ? 0.003997233f : generic_distance_scale};
        case 5:
        case 7: return {0.0168f, 1.4e-6f, 2.7e-6f, generic_distance_scale};
        case 6: return {0.05f, 1.1e-6f, 3.3e-6f, generic_distance_scale};
        default: return {0.01f, 1e-6f, 1e-6f, generic_distance_scale};
    }
}

uint16_t model_channel_count(uint16_t model) {
    switch (model) {
        case 5: return 18;
        case 7: return 24;
        case 8: return 18;
        default: return 8;
    }
}

Distortion default_distortion(uint16_t model) {
    if (model == 1 || model == 6) return {0.926254988f, -0.63558656f, 6.66387033f};
    return {0.0616039895f, -0.077997081f, 0.393712789f};
}

uint16_t model_from_firmware(const char* firmware) {
    if (firmware[0] != 'V') return 3;
    switch (firmware[1]) {
        case '7': return 8;
        case '8': return 7;
        case '6': return 5;
        case '4': return 4;
        case '3': return firmware[2] < '5' ? 1 : 6;
        default: return 3;
    }
}

bool firmware_needs_saturation_adjustment(uint16_t model, const char* firmware) {
    if (model != 3 || firmware[0] != 'V' || firmware[1] != '2') return false;
    return firmware[2] > '6' || (firmware[2] == '6' && firmware[3] >= '4');
}

}  // namespace druvex_sdk
