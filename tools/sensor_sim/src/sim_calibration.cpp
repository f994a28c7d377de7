// The simulated sensor's calibration parameters and body.
#include "sim_calibration.h"

#include <cmath>

namespace druvex_sim {
namespace {

constexpr size_t block_size = 64;
constexpr size_t first_block = 128;

void write_header(const SimCalibration& c, Bytes& b) {
    const char* magic = c.format == BodyFormat::dvx8   ? "DVX8"
                        : c.format == BodyFormat::dvx9 ? "DVX9"
                                                       : "DVXA";
    put_text(b, 0, magic, 4);
    put<uint32_t>(b, 4, c.signature);
    put_text(b, 8, c.name, 27);
    put<uint16_t>(b, 36, c.model);
    if (c.format == BodyFormat::dvx8) {
        put<uint32_t>(b, 40, static_cast<uint32_t>(c.channels.size()));
    } else {
        put<uint16_t>(b, 40, static_cast<uint16_t>(c.channels.size()));
        put<float>(b, 76, c.k3);
        put<float>(b, 88, c.k1);
        put<float>(b, 92, c.k2);
    }
    const float header[] = {c.focal_length, c.distance_scale, c.clip_min_x,   c.clip_min_z,
                            c.clip_max_x,   c.clip_max_z,     c.distance_min, c.distance_max};
    for (size_t i = 0; i < 8; ++i) put<float>(b, 44 + 4 * i, header[i]);
    put<float>(b, 80, c.center_x);
    put<float>(b, 84, c.center_z);
    if (c.format == BodyFormat::dvx9) {
        for (size_t k = 0; k < 32; ++k) put<uint8_t>(b, 96 + k, c.channels[0].gain_steps[k]);
    }
}

void write_block(BodyFormat format, const SimChannel& ch, Bytes& b, size_t at) {
    put<int16_t>(b, at + 0, ch.x_offset);
    put<int16_t>(b, at + 2, ch.x_offset2);
    put<int16_t>(b, at + 4, ch.z_offset);
    put<int16_t>(b, at + 6, ch.z_offset2);
    put<int16_t>(b, at + 8, ch.base_offset);
    put<float>(b, at + 12, ch.x_scale);
    put<float>(b, at + 16, ch.z_scale);
    if (format == BodyFormat::dvx8) {
        put<float>(b, at + 20, ch.x_from_z / ch.z_scale);
        put<float>(b, at + 24, ch.gain);
        put<float>(b, at + 28, ch.intensity_distance_offset);
        for (size_t k = 0; k < 16; ++k) {
            put<uint8_t>(b, at + 32 + k, ch.gain_steps[k]);
            put<int8_t>(b, at + 48 + k, ch.deltas[k]);
        }
        return;
    }
    put<uint16_t>(b, at + 10,
                  static_cast<uint16_t>(std::lround(ch.intensity_distance_offset * 100)));
    put<float>(b, at + 20, ch.x_from_z);
    put<float>(b, at + 24, ch.z_from_x);
    put<float>(b, at + 28, ch.gain);
    for (size_t k = 0; k < 32; ++k) {
        if (format == BodyFormat::dvx9) {
            put<int8_t>(b, at + 32 + k, ch.deltas[k]);
        } else {
            put<uint8_t>(b, at + 32 + k, ch.gain_steps[k]);
        }
    }
}

int16_t delta_offset(int8_t delta, float distance_scale, int16_t base) {
    const float v = std::trunc(static_cast<float>(delta) * 0.00399723f / distance_scale +
                               static_cast<float>(base) + 0.5f);
    return static_cast<int16_t>(v);
}

EffectiveChannel effective_channel(const SimCalibration& c, const SimChannel& ch) {
    EffectiveChannel e{};
    e.x_offset = ch.x_offset;
    e.x_offset2 = ch.x_offset2;
    e.z_offset = ch.z_offset;
    e.z_offset2 = ch.z_offset2;
    e.x_scale = ch.x_scale;
    e.z_scale = ch.z_scale;
    switch (c.format) {
        case BodyFormat::dvx8:
            e.x_from_z = (ch.x_from_z / ch.z_scale) * ch.z_scale;
            e.intensity_distance_offset = ch.intensity_distance_offset;
            for (size_t k = 0; k < 16; ++k) {
                e.power_gain[k] = static_cast<float>(ch.gain_steps[k]) * ch.gain;
                e.power_offset[k] = delta_offset(ch.deltas[k], c.distance_scale, ch.base_offset);
            }
            break;
        case BodyFormat::dvx9:
            e.x_from_z = ch.x_from_z;
            e.z_from_x = ch.z_from_x;
            e.intensity_distance_offset =
                static_cast<float>(std::lround(ch.intensity_distance_offset * 100)) / 100.0f;
            for (size_t k = 0; k < 32; ++k) {
                e.power_gain[k] = static_cast<float>(c.channels[0].gain_steps[k]) * ch.gain;
                e.power_offset[k] = delta_offset(ch.deltas[k], c.distance_scale, ch.base_offset);
            }
            break;
        case BodyFormat::dvxa: {
            e.x_from_z = ch.x_from_z;
            e.z_from_x = ch.z_from_x;
            e.intensity_distance_offset =
                static_cast<float>(std::lround(ch.intensity_distance_offset * 100)) / 100.0f;
            float gain = ch.gain;
            for (size_t k = 0; k < 32; ++k) {
                gain *= 1.0f + static_cast<float>(ch.gain_steps[k]) * 0.015625f;
                e.power_gain[k] = gain;
                e.power_offset[k] = ch.base_offset;
            }
            break;
        }
    }
    return e;
}

}  // namespace

Bytes SimCalibration::body() const {
    Bytes b((channels.size() + 2) * block_size, 0);
    write_header(*this, b);
    for (size_t i = 0; i < channels.size(); ++i) {
        write_block(format, channels[i], b, first_block + block_size * i);
    }
    return b;
}

std::vector<EffectiveChannel> SimCalibration::effective() const {
    std::vector<EffectiveChannel> out;
    for (const SimChannel& ch : channels) out.push_back(effective_channel(*this, ch));
    return out;
}

std::array<float, 3> SimCalibration::effective_distortion() const {
    if (format != BodyFormat::dvx8 && k1 != 0) return {k1, k2, k3};
    if (model == 1 || model == 6) return {0.926254988f, -0.63558656f, 6.66387033f};
    return {0.0616039895f, -0.077997081f, 0.393712789f};
}

SimCalibration make_calibration(uint16_t model, BodyFormat format, uint16_t channel_count) {
    SimCalibration c;
    c.format = format;
    c.model = model;
    c.name = "SIM-" + std::to_string(model);
    const bool wide_lens = model == 1 || model == 6;
    c.focal_length = wide_lens ? 0.05f : 0.0168f;
    c.distance_scale = model == 1 ? 0.004996541f : 0.0009993083f;
    c.clip_min_x = -0.5f;
    c.clip_max_x = 0.5f;
    c.clip_min_z = -0.4f;
    c.clip_max_z = 0.4f;
    c.distance_min = 0.5f;
    c.distance_max = 45.0f;
    c.center_x = 0.0001f;
    c.center_z = -0.0002f;
    if (format != BodyFormat::dvx8) {
        c.k1 = 0.05f;
        c.k2 = -0.07f;
        c.k3 = 0.3f;
    }
    // Tangent per raw unit: the horizontal sweep of +-10000 units spans about
    // +-0.62, and the channels fan out from 0.25 below to 0.25 above the axis.
    const float x_tangent_per_unit = sim_tangent_per_unit;
    for (uint16_t i = 0; i < channel_count; ++i) {
        SimChannel ch;
        ch.x_scale = x_tangent_per_unit * c.focal_length;
        ch.z_scale = x_tangent_per_unit * c.focal_length;
        ch.x_offset = static_cast<int16_t>(10 * i - 40);
        ch.x_offset2 = 5;
        ch.z_offset = static_cast<int16_t>(4000 - 8000 * i / std::max<int>(1, channel_count - 1));
        ch.z_offset2 = -3;
        ch.base_offset = static_cast<int16_t>(20 + i);
        ch.x_from_z = 1e-3f * ch.z_scale;
        ch.z_from_x = format == BodyFormat::dvx8 ? 0.0f : -2e-3f * ch.x_scale;
        ch.intensity_distance_offset = 0.25f;
        ch.gain = 0.5f + 0.01f * i;
        for (size_t k = 0; k < 32; ++k) {
            ch.gain_steps[k] = static_cast<uint8_t>(1 + (k * 7 + i) % 23);
            ch.deltas[k] = static_cast<int8_t>(static_cast<int>(k * 5 % 41) - 20);
        }
        c.channels.push_back(ch);
    }
    return c;
}

}  // namespace druvex_sim
