// Data packets turn into raw points with absolute timestamps, then into
// calibrated points for the sensor's frame.
#include "data_packet.h"

#include <cmath>
#include <cstring>
#include <new>

#include "core/clock_math.h"
#include "core/sdk_manager.h"
#include "point_calibration.h"
#include "sensor.h"

namespace druvex_sdk {
namespace {

constexpr int64_t one_hour_us = 3600000000LL;
constexpr int64_t hour_jump_tolerance_us = 100000;
constexpr uint32_t distance_bits = 0xFFFFF;
constexpr uint32_t saturated_bit = 1u << 20;

// One record layout: size and how its fields land in a raw point.
struct StdtRecord {
    static constexpr size_t size = 8;
    static void decode(const uint8_t* r, DruvexSensorRawPointWithTime& p) {
        p.distance[0] = read_le<uint16_t>(r, 4);
        p.intensity[0] = r[6];
        p.power_level = r[7] & 0x0F;
    }
};

struct StdpRecord {
    static constexpr size_t size = 9;
    static void decode(const uint8_t* r, DruvexSensorRawPointWithTime& p) {
        const uint32_t d = read_le<uint32_t>(r, 4);
        p.distance[0] = d & distance_bits;
        p.saturated[0] = (d & saturated_bit) ? 1 : 0;
        p.intensity[0] = r[7];
        p.power_level = r[8];
    }
};

struct StdrRecord {
    static constexpr size_t size = 11;
    static void decode(const uint8_t* r, DruvexSensorRawPointWithTime& p) {
        StdtRecord::decode(r, p);
        p.distance[1] = read_le<uint16_t>(r, 8);
        p.intensity[1] = r[10];
    }
};

struct StdqRecord {
    static constexpr size_t size = 13;
    static void decode(const uint8_t* r, DruvexSensorRawPointWithTime& p) {
        StdpRecord::decode(r, p);
        const uint32_t d = read_le<uint32_t>(r, 9);
        p.distance[1] = d & distance_bits;
        p.saturated[1] = (d & saturated_bit) ? 1 : 0;
        p.intensity[1] = r[12];
    }
};

template <typename Record>
void decode_layout(const uint8_t* records, int32_t n, const RecordTiming& timing,
                   DruvexSensorRawPointWithTime* out) {
    const float period_us = 1000000.0f;
    // Locals: the stores into `out` could otherwise alias the timing and
    // force a reload of every field per record.
    const int64_t base = timing.base;
    const float period = timing.period;
    const uint32_t channel_count = timing.channel_count;
    uint32_t channel = 0;
    for (int32_t i = 0; i < n; ++i) {
        DruvexSensorRawPointWithTime& p = out[i];
        std::memset(static_cast<void*>(&p), 0, sizeof p);
        const uint8_t* r = records + Record::size * static_cast<size_t>(i);
        p.image_x = read_le<uint16_t>(r, 0);
        p.image_z = read_le<uint16_t>(r, 2);
        Record::decode(r, p);
        const float offset = static_cast<float>(i + 1) * period_us * period;
        p.timestamp = wrapping_add(base, static_cast<int64_t>(offset));
        p.channel_id = static_cast<uint8_t>(channel);
        if (++channel >= channel_count) channel = 0;
    }
}

// |value| < tolerance without overflow for any value.
bool near_zero(int64_t value) {
    return value > -hour_jump_tolerance_us && value < hour_jump_tolerance_us;
}

}  // namespace

bool is_data_magic(uint32_t magic) { return data_record_size(magic) != 0; }

size_t data_record_size(uint32_t magic) {
    switch (magic) {
        case magic_stdt: return StdtRecord::size;
        case magic_stdp: return StdpRecord::size;
        case magic_stdr: return StdrRecord::size;
        case magic_stdq: return StdqRecord::size;
        default: return 0;
    }
}

void decode_records(uint32_t magic, const uint8_t* records, int32_t n, const RecordTiming& timing,
                    DruvexSensorRawPointWithTime* out) {
    switch (magic) {
        case magic_stdt: return decode_layout<StdtRecord>(records, n, timing, out);
        case magic_stdp: return decode_layout<StdpRecord>(records, n, timing, out);
        case magic_stdr: return decode_layout<StdrRecord>(records, n, timing, out);
        case magic_stdq: return decode_layout<StdqRecord>(records, n, timing, out);
        default: return;
    }
}

int64_t Sensor::fix_timestamp(uint32_t t, int64_t host_timestamp_us) const {
    if (SdkManager::has_control_flag(DRUVEX_SDK_CONTROL_USE_PACKET_TIME)) return t;
    int64_t c;
    if (gps_base_time_ != 0) {
        c = wrapping_add(gps_base_time_, t);
    } else if (information_.sync_timestamp != 0) {
        c = wrapping_add(information_.sync_timestamp / one_hour_us * one_hour_us, t);
    } else {
        return host_timestamp_us;
    }
    const int64_t d = wrapping_sub(c, last_base_timestamp_);
    if (near_zero(wrapping_add(d, one_hour_us))) return wrapping_add(c, one_hour_us);
    if (near_zero(wrapping_sub(d, one_hour_us))) return wrapping_sub(c, one_hour_us);
    return c;
}

void Sensor::learn_period(uint32_t t, int32_t n) {
    if (information_.measurement_period != 0) return;
    if (last_packet_time_ == 0 || n == 0 || t < last_packet_time_) return;
    const float estimate =
        static_cast<float>(t - last_packet_time_) * 1e-6f / static_cast<float>(n);
    if (period_candidate_ != 0 && std::fabs(estimate - period_candidate_) < 1e-6f) {
        information_.measurement_period = estimate;
    }
    period_candidate_ = period_candidate_ == 0 ? estimate : 0;
}

bool Sensor::decode_records(uint32_t magic, const uint8_t* records, int32_t n, int64_t base) {
    float period = 0;
    if (!SdkManager::has_control_flag(DRUVEX_SDK_CONTROL_USE_PACKET_TIME)) {
        period = information_.measurement_period;
        if (!(period > 0)) return false;
    }
    const RecordTiming timing{base, period, calibration_.channel_count};
    druvex_sdk::decode_records(magic, records, n, timing, raw_points_.data());
    return true;
}

SensorError Sensor::handle_data_packet(int64_t host_timestamp_us, size_t size, const uint8_t* data,
                                       const PointsSink& sink) {
    // A datagram too short for the header carries no points and no clock.
    if (size < data_header_size) return success();
    const uint32_t magic = read_le<uint32_t>(data, 0);
    const size_t record_size = data_record_size(magic);
    std::lock_guard<std::mutex> lock(mutex_);
    if (!info_received_ || record_size == 0) return success();
    const uint32_t t = read_le<uint32_t>(data, data_clock_offset);
    const int64_t base = fix_timestamp(t, host_timestamp_us);

    const uint32_t segments = information_.segment_count != 0 ? information_.segment_count : 1;
    int32_t n = static_cast<int32_t>((size - data_header_size) / record_size);
    n -= n % static_cast<int32_t>(segments);
    learn_period(t, n);

    try {
        raw_points_.resize(static_cast<size_t>(n));
    } catch (const std::bad_alloc&) {
        return SensorError(DRUVEX_ERROR_OUT_OF_MEMORY);
    }
    SensorError added = success();
    if (decode_records(magic, data + data_header_size, n, base)) {
        const int32_t returns = information_.return_count;
        image_points_.resize(static_cast<size_t>(returns) * static_cast<size_t>(n));
        druvex_sdk::calibrate_points(calibration_, n, raw_points_.data(), returns,
                                     image_points_.data());
        // A frame discarded because it outgrew its buffer is reported, or the
        // user would only see frames stop coming.
        added = sink(n, raw_points_.data(), image_points_.data());
    }
    // The scratch vectors keep their size: the next packet of the same length
    // reuses them without clearing or allocating.
    last_packet_time_ = t;
    last_base_timestamp_ = base;
    return added;
}

void Sensor::release_scratch() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<DruvexSensorRawPointWithTime>().swap(raw_points_);
    std::vector<DruvexSensorImagePoint>().swap(image_points_);
}

}  // namespace druvex_sdk
