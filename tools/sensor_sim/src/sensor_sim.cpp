// Building the simulated sensor's information and data packets.
#include "sensor_sim.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "sim_optics.h"
#include "sim_scene.h"

namespace druvex_sim {
namespace {

constexpr size_t header_size = 22;
constexpr size_t body_offset = 56;
constexpr size_t max_packet_bytes = 1400;
constexpr int64_t one_hour_us = 3600000000LL;
constexpr size_t part1_size = 952;
constexpr size_t part2_size = 832;
constexpr int16_t full_sweep_units = 10000;

bool two_returns(Layout layout) { return layout == Layout::stdr || layout == Layout::stdq; }
bool wide_distance(Layout layout) { return layout == Layout::stdp || layout == Layout::stdq; }

// Position in a triangle wave of period 2 x half, from -1 to 1 and back,
// starting in the middle on its way up.
float triangle(uint64_t sample, uint32_t half) {
    const uint64_t phase = (sample + half / 2) % (2ull * half);
    const float u = static_cast<float>(phase) / static_cast<float>(half);
    return phase < half ? -1.0f + 2.0f * u : 3.0f - 2.0f * u;
}

bool inside(float v, float min, float max) {
    return (min == 0 || min <= v) && (max == 0 || v <= max);
}

int64_t gps_hour_us(const std::array<uint8_t, 6>& gps) {
    std::tm calendar{};
    calendar.tm_year = gps[0] + 100;
    calendar.tm_mon = gps[1] - 1;
    calendar.tm_mday = gps[2];
    calendar.tm_hour = gps[3];
    calendar.tm_isdst = 0;
    return static_cast<int64_t>(std::mktime(&calendar)) * 1000000;
}

void write_record(Layout layout, int16_t x, int16_t z, const uint32_t raw[2],
                  const uint8_t amplitude[2], uint8_t power, Bytes& out) {
    const size_t at = out.size();
    put<int16_t>(out, at, x);
    put<int16_t>(out, at + 2, z);
    if (wide_distance(layout)) {
        put<uint32_t>(out, at + 4, (raw[0] & 0xFFFFF) | uint32_t{amplitude[0]} << 24);
        put<uint8_t>(out, at + 8, power);
        if (layout == Layout::stdq) {
            put<uint32_t>(out, at + 9, (raw[1] & 0xFFFFF) | uint32_t{amplitude[1]} << 24);
        }
        return;
    }
    put<uint16_t>(out, at + 4, static_cast<uint16_t>(raw[0]));
    put<uint8_t>(out, at + 6, amplitude[0]);
    put<uint8_t>(out, at + 7, power);
    if (layout == Layout::stdr) {
        put<uint16_t>(out, at + 8, static_cast<uint16_t>(raw[1]));
        put<uint8_t>(out, at + 10, amplitude[1]);
    }
}

}  // namespace

void use_moving_scene(SimOptions& options) {
    // The channels' vertical offsets span 8000 raw units.
    const int gaps = std::max(1, model_channel_count(options.model) - 1);
    options.raster_amplitude = 8000.0 / (2.0 * gaps) + 50.0;
    options.raster_step = 1.1;
    options.moving_objects = true;
}

const char* layout_magic(Layout layout) {
    switch (layout) {
        case Layout::stdt: return "STDT";
        case Layout::stdp: return "STDP";
        case Layout::stdr: return "STDR";
        default: return "STDQ";
    }
}

std::string default_firmware(uint16_t model) {
    switch (model) {
        case 1: return "V3.1";
        case 3: return "V2.7";
        case 4: return "V4.5";
        case 6: return "V3.7";
        case 7: return "V8.0";
        case 8: return "V7.0";
        default: return "V6.1";
    }
}

uint16_t model_channel_count(uint16_t model) {
    switch (model) {
        case 5:
        case 8: return 18;
        case 7: return 24;
        default: return 8;
    }
}

SensorSim::SensorSim(SimOptions options)
    : options_(std::move(options)),
      firmware_(options_.firmware.empty() ? default_firmware(options_.model) : options_.firmware),
      calibration_(
          make_calibration(options_.model, options_.body, model_channel_count(options_.model))),
      effective_(calibration_.effective()),
      distortion_(calibration_.effective_distortion()) {}

uint8_t SensorSim::return_count() const {
    if (!options_.multiple_returns) return 1;
    if (options_.info != InfoKind::infx) return 2;
    return std::min<uint8_t>(options_.infx_return_count, 2);
}

size_t SensorSim::record_size() const {
    switch (options_.layout) {
        case Layout::stdt: return 8;
        case Layout::stdp: return 9;
        case Layout::stdr: return 11;
        default: return 13;
    }
}

uint32_t SensorSim::records_per_packet() const {
    const uint32_t samples = options_.samples_per_packet != 0
                                 ? options_.samples_per_packet
                                 : static_cast<uint32_t>((max_packet_bytes - header_size) /
                                                         (record_size() * channel_count()));
    return samples * channel_count();
}

double SensorSim::sample_time_s(uint64_t sample) const {
    return static_cast<double>(sample) * channel_count() * options_.record_period_us * 1e-6;
}

float SensorSim::measurement_period() const {
    const uint32_t n = records_per_packet();
    return static_cast<float>(n * options_.record_period_us) * 1e-6f / static_cast<float>(n);
}

// Magic, serial and firmware open every information packet; the values of
// keys 2 to 6 (16, 8, 8, 16 and 16 bits) follow at `keys`, the run time,
// temperature and humidity at `readings`.
Bytes SensorSim::info_header(const char* magic, uint16_t key2, size_t keys, size_t readings) const {
    Bytes p(body_offset, 0);
    put_text(p, 0, magic, 4);
    put<uint32_t>(p, 4, options_.serial);
    put_text(p, 8, firmware_, 4);
    put<uint16_t>(p, keys, key2);
    put<uint8_t>(p, keys + 2, 3);
    put<uint8_t>(p, keys + 3, 4);
    put<uint16_t>(p, keys + 4, 5);
    put<uint16_t>(p, keys + 6, 6);
    put<uint16_t>(p, readings, options_.run_time);
    put<int8_t>(p, readings + 2, options_.temperature);
    put<uint8_t>(p, readings + 3, options_.humidity);
    return p;
}

void SensorSim::put_gps_time(Bytes& p, size_t at) const {
    for (size_t i = 0; i < 6; ++i) put<uint8_t>(p, at + i, options_.gps_time[i]);
}

Bytes SensorSim::info_packet(const char* magic, const Bytes& body) const {
    Bytes p = info_header(magic, 1000, 28, 46);  // key 2 is the clock divisor
    put<uint8_t>(p, 36, 100);
    put<char>(p, 39, options_.gps_status);
    put_gps_time(p, 40);
    p.insert(p.end(), body.begin(), body.end());
    return p;
}

Bytes SensorSim::infx_packet(const Bytes& body) const {
    Bytes p = info_header("INFX", 2, 14, 24);
    put<uint16_t>(p, 12, options_.model);
    put<uint8_t>(p, 28, options_.infx_return_count);
    put<uint8_t>(p, 31, options_.infx_status);
    put<int64_t>(p, 32, options_.sync_timestamp);
    if (!(options_.infx_status & 4)) put_gps_time(p, 34);
    p.insert(p.end(), body.begin(), body.end());
    return p;
}

std::vector<Bytes> SensorSim::info_packets() const {
    Bytes body = calibration_.body();
    const bool splittable = options_.body != BodyFormat::dvxa && channel_count() >= 13;
    if (options_.info == InfoKind::infx) return {infx_packet(body)};
    if (options_.info == InfoKind::info || !splittable) return {info_packet("INFO", body)};
    body.resize(std::max<size_t>(body.size(), 1664), 0);
    Bytes first =
        info_packet("INF1", Bytes(body.begin(), body.begin() + (part1_size - body_offset)));
    Bytes second(part2_size, 0);
    put_text(second, 0, "INF2", 4);
    std::copy(body.begin(), body.begin() + 8, second.begin() + body_offset);
    std::copy(body.begin() + (part1_size - body_offset), body.begin() + 1664, second.begin() + 64);
    return {first, second};
}

// The time base a receiver derives for a packet, by the sensor's time source.
int64_t SensorSim::packet_base(uint32_t clock, int64_t host_time) {
    if (options_.use_packet_time) return clock;
    const bool nmea = options_.info == InfoKind::infx
                          ? (options_.infx_status & 1) != 0
                          : options_.gps_status == 'A' || options_.gps_status == 'V';
    const bool sync = options_.info == InfoKind::infx && !(options_.infx_status & 1) &&
                      (options_.infx_status & 2) && options_.sync_timestamp != 0;
    int64_t c;
    if (nmea) {
        c = gps_hour_us(options_.gps_time) + clock;
    } else if (sync) {
        c = options_.sync_timestamp / one_hour_us * one_hour_us + clock;
    } else {
        return host_time;
    }
    const int64_t d = c - last_base_;
    if (std::llabs(d + one_hour_us) < 100000)
        c += one_hour_us;
    else if (std::llabs(d - one_hour_us) < 100000)
        c -= one_hour_us;
    return c;
}

void SensorSim::add_record(uint64_t sample, uint32_t channel, Bytes& out,
                           std::vector<ExpectedPoint>& expected) {
    const float sweep = triangle(sample, options_.sweep_samples) * options_.sweep_amplitude;
    const auto x = static_cast<int16_t>(std::lround(sweep * full_sweep_units));
    const auto z = static_cast<int16_t>(std::lround(
        options_.raster_amplitude * std::sin(static_cast<double>(sample) * options_.raster_step)));
    const EffectiveChannel& ch = effective_[channel];
    const auto power = static_cast<uint8_t>((sample + channel) % 16);
    const ImageTangents image = image_tangents(calibration_, distortion_, ch, x, z);
    // The moving scene takes image coordinates as the sensor means them, x
    // growing to the left and z downwards, so that a viewer draws it upright;
    // the static scene keeps the layout the decoding tests were written for.
    const Hits hits = options_.moving_objects
                          ? trace_with_movers(-image.x, -image.z, sample_time_s(sample))
                          : trace(image.x, image.z);
    const uint32_t max_raw = wide_distance(options_.layout) ? 0xFFFFF : 0xFFFF;
    const int16_t offset = ch.power_offset[power];
    const uint32_t first_raw = raw_distance(calibration_, hits.first, offset, max_raw);
    const uint32_t second_raw =
        two_returns(options_.layout) ? raw_distance(calibration_, hits.second, offset, max_raw) : 0;
    const uint32_t raw[2] = {first_raw, second_raw};
    const uint8_t amplitude[2] = {static_cast<uint8_t>(40 + (channel * 13 + sample) % 200),
                                  static_cast<uint8_t>(20 + (channel * 7 + sample) % 100)};
    write_record(options_.layout, x, z, raw, amplitude, power, out);

    const bool clip_ok = options_.disable_image_clip ||
                         (inside(image.x, calibration_.clip_min_x, calibration_.clip_max_x) &&
                          inside(image.z, calibration_.clip_min_z, calibration_.clip_max_z));
    const size_t first = expected.size();
    for (int r = 0; r < return_count(); ++r) {
        const uint32_t measured = (r > 0 && raw[r] == raw[0]) ? 0 : raw[r];
        ExpectedPoint p{};
        p.distance = metric_distance(calibration_, measured, ch.power_offset[power]);
        p.valid = clip_ok && p.distance > 0 &&
                  (options_.disable_distance_clip ||
                   inside(p.distance, calibration_.distance_min, calibration_.distance_max));
        p.image_x = image.x;
        p.image_z = image.z;
        p.intensity = normalised_intensity(calibration_, ch, raw[r], amplitude[r], power);
        p.first = r == 0;
        expected.push_back(p);
    }
    size_t farthest = first;
    for (size_t i = first + 1; i < expected.size(); ++i) {
        if (expected[i].distance > expected[farthest].distance) farthest = i;
    }
    expected[farthest].farthest = true;
}

SimDataPacket SensorSim::next_data_packet() {
    SimDataPacket packet;
    const uint32_t n = records_per_packet();
    packet.records = n;
    packet.clock_us =
        options_.clock_start_us + static_cast<uint32_t>(packet_ * n * options_.record_period_us);
    packet.host_time_us =
        options_.host_start_us + static_cast<int64_t>(packet_ * n * options_.record_period_us);
    const int64_t base = packet_base(packet.clock_us, packet.host_time_us);
    last_base_ = base;
    const float period = options_.use_packet_time ? 0.0f : measurement_period();

    packet.bytes.assign(header_size, 0);
    put_text(packet.bytes, 0, layout_magic(options_.layout), 4);
    put<uint32_t>(packet.bytes, 4, packet.clock_us);
    const uint32_t channels = channel_count();
    for (uint32_t i = 0; i < n; ++i) {
        const size_t first = packet.expected.size();
        add_record(sample_ + i / channels, i % channels, packet.bytes, packet.expected);
        const int64_t at =
            base + static_cast<int64_t>(static_cast<float>(i + 1) * 1000000.0f * period);
        for (size_t k = first; k < packet.expected.size(); ++k) packet.expected[k].timestamp = at;
    }
    sample_ += n / channels;
    ++packet_;
    return packet;
}

}  // namespace druvex_sim
