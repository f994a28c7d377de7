// Information packets: identity only from the first, readings from every one,
// model constants and their overrides, calibration bodies and their limits.
#include <gtest/gtest.h>

#include <cstring>

#include "packet_builder.h"
#include "sdk_session.h"
#include "sensor_sim.h"
#include "sensors/calibration_body.h"

using namespace druvex_test;

namespace {

constexpr uint64_t handle = 0x0A00002A;

DruvexSensorInformation information() {
    DruvexSensorInformation info{};
    EXPECT_EQ(0, druvex_sdk_get_sensor_information(handle, &info));
    return info;
}

DruvexCalibration calibration() {
    DruvexCalibration c{};
    EXPECT_EQ(0, druvex_sdk_get_calibration(handle, &c));
    return c;
}

TEST(InfoPacket, ModelDefaultsHoldUnlessThePacketOverridesThem) {
    SdkSession session;
    Bytes packet = bare_info("V6.1");
    put<float>(packet, 24, 0.02f);  // focal length only
    session.send(handle, packet);
    const DruvexSensorInformation info = information();
    EXPECT_EQ(5, info.model);
    EXPECT_STREQ("Orvel 330", info.model_name);
    EXPECT_EQ(18, info.segment_count);
    EXPECT_EQ(1, info.return_count);
    const DruvexCalibration c = calibration();
    EXPECT_FLOAT_EQ(0.02f, c.focal_length);
    EXPECT_FLOAT_EQ(0.0009993083f, c.distance_scale);
    EXPECT_FLOAT_EQ(1.4e-6f, c.lasers[31].image_x_scale);
    EXPECT_FLOAT_EQ(2.7e-6f, c.lasers[0].image_z_scale);
    EXPECT_EQ(0u, info.flags & DRUVEX_SENSOR_FLAG_IS_CALIBRATED);
}

TEST(InfoPacket, ModelFollowsTheFirmwareWhenNoBodyNamesIt) {
    const struct {
        const char* firmware;
        uint16_t model;
    } cases[] = {{"V7.0", 8}, {"V8.0", 7}, {"V6.0", 5}, {"V4.1", 4},
                 {"V34.", 1}, {"V35.", 6}, {"V2.9", 3}, {"X6.0", 3}};
    for (const auto& c : cases) {
        SdkSession session;
        session.send(handle, bare_info(c.firmware));
        EXPECT_EQ(c.model, information().model) << c.firmware;
    }
}

TEST(InfoPacket, FirmwareSelectsTheDistanceScaleOfOlderSensors) {
    SdkSession session;
    session.send(handle, bare_info("V4.1"));
    EXPECT_FLOAT_EQ(0.003997233f, calibration().distance_scale);
}

TEST(InfoPacket, LaterPacketsUpdateReadingsButNotIdentity) {
    SdkSession session;
    Bytes first = bare_info("V4.5", 11);
    put<int8_t>(first, 48, 20);
    session.send(handle, first);
    Bytes second = bare_info("V6.1", 22);
    put<uint16_t>(second, 46, 99);
    put<int8_t>(second, 48, -5);
    put<uint8_t>(second, 49, 55);
    put<uint16_t>(second, 32, 1234);
    session.send(handle, second);
    const DruvexSensorInformation info = information();
    EXPECT_EQ(11u, info.serial_number);
    EXPECT_EQ(4, info.model);
    EXPECT_STREQ("ZUNA 120", info.model_name);
    EXPECT_EQ(8, info.segment_count);
    EXPECT_STREQ("V6.1", info.firmware_version);
    EXPECT_FLOAT_EQ(-5.0f, info.temperature);
    EXPECT_FLOAT_EQ(55.0f, info.humidity);
    EXPECT_FLOAT_EQ(99.0f, info.run_time);
    uint16_t key5 = 0;
    EXPECT_EQ(0, druvex_sdk_get(handle, DRUVEX_SDK_VALUE_KEY5, &key5, sizeof key5));
    EXPECT_EQ(1234, key5);
}

TEST(InfoPacket, SerialZeroIsDerivedFromTheAddress) {
    SdkSession session;
    session.send(0x0A00002A, bare_info("V6.1", 0));
    session.send(0xC0A82164, bare_info("V6.1", 0));
    session.send(0xC0A80164, bare_info("V6.1", 0));
    DruvexSensorInformation info{};
    druvex_sdk_get_sensor_information(0x0A00002A, &info);
    EXPECT_EQ(10u, info.serial_number);  // 42 - 32
    druvex_sdk_get_sensor_information(0xC0A82164, &info);
    EXPECT_EQ(0x2164u - 8224u, info.serial_number);
    druvex_sdk_get_sensor_information(0xC0A80164, &info);
    EXPECT_EQ(4098u, info.serial_number);
}

TEST(InfoPacket, GpsStatusSetsAndClearsTheConnectionFlags) {
    SdkSession session;
    const struct {
        char status;
        uint32_t flags;
    } steps[] = {{'A', DRUVEX_SENSOR_FLAG_IS_PPS_CONNECTED | DRUVEX_SENSOR_FLAG_IS_NMEA_CONNECTED},
                 {'x', DRUVEX_SENSOR_FLAG_IS_PPS_CONNECTED | DRUVEX_SENSOR_FLAG_IS_NMEA_CONNECTED},
                 {'P', DRUVEX_SENSOR_FLAG_IS_PPS_CONNECTED},
                 {'V', DRUVEX_SENSOR_FLAG_IS_NMEA_CONNECTED},
                 {0, 0}};
    for (const auto& step : steps) {
        Bytes packet = bare_info("V6.1");
        put<char>(packet, 39, step.status);
        session.send(handle, packet);
        EXPECT_EQ(step.flags, information().flags) << step.status;
    }
}

TEST(InfoPacket, ExtendedStatusBitsOnlyEverSetFlags) {
    SdkSession session;
    druvex_sim::SimOptions options;
    options.info = druvex_sim::InfoKind::infx;
    options.infx_status = 2 | 4;
    options.sync_timestamp = 987654321;
    session.send(handle, druvex_sim::SensorSim(options).info_packets()[0]);
    DruvexSensorInformation info = information();
    EXPECT_EQ(DRUVEX_SENSOR_FLAG_IS_PPS_CONNECTED | DRUVEX_SENSOR_FLAG_IS_SYNC_TIMESTAMP_VALID |
                  DRUVEX_SENSOR_FLAG_IS_CALIBRATED,
              info.flags);
    EXPECT_EQ(987654321, info.sync_timestamp);
    options.infx_status = 1;
    session.send(handle, druvex_sim::SensorSim(options).info_packets()[0]);
    info = information();
    EXPECT_TRUE(info.flags & DRUVEX_SENSOR_FLAG_IS_NMEA_CONNECTED);
    EXPECT_TRUE(info.flags & DRUVEX_SENSOR_FLAG_IS_SYNC_TIMESTAMP_VALID);
    EXPECT_EQ(26, info.gps_time[0]);
}

TEST(InfoPacket, ClockValuesFollowTheModelFamily) {
    SdkSession session;
    Bytes packet = bare_info("V6.1");
    put<uint8_t>(packet, 36, 100);
    session.send(handle, packet);
    float rate = 0, scaled = 0;
    EXPECT_EQ(0, druvex_sdk_get(handle, DRUVEX_SDK_VALUE_CLOCK_RATE, &rate, sizeof rate));
    EXPECT_FLOAT_EQ(25000000.0f / 1000 * 0.03125f, rate);
    EXPECT_EQ(0,
              druvex_sdk_get(handle, DRUVEX_SDK_VALUE_SCALED_CLOCK_RATE, &scaled, sizeof scaled));
    EXPECT_FLOAT_EQ((100 + 3584) * rate / 4096, scaled);
}

TEST(InfoPacket, BodyReplacesTheCalibrationOnlyForANewSignature) {
    SdkSession session;
    druvex_sim::SensorSim sim{druvex_sim::SimOptions{}};
    for (const auto& p : sim.info_packets()) session.send(handle, p);
    DruvexCalibration user = calibration();
    user.focal_length = 0.5f;
    ASSERT_EQ(0, druvex_sdk_set_calibration(handle, &user));
    for (const auto& p : sim.info_packets()) session.send(handle, p);
    EXPECT_FLOAT_EQ(0.5f, calibration().focal_length);

    user.signature += 1;
    druvex_sdk_set_calibration(handle, &user);
    for (const auto& p : sim.info_packets()) session.send(handle, p);
    EXPECT_FLOAT_EQ(sim.calibration().focal_length, calibration().focal_length);
    EXPECT_EQ(sim.calibration().signature, calibration().signature);
}

TEST(InfoPacket, FirstHalfWithFewChannelsIsHandledAtOnce) {
    SdkSession session;
    druvex_sim::SimOptions options;
    options.model = 3;  // 8 channels
    Bytes packet = druvex_sim::SensorSim(options).info_packets()[0];
    std::memcpy(packet.data(), "INF1", 4);
    session.send(handle, packet);
    EXPECT_EQ(1, druvex_sdk_get_n_sensors());
    EXPECT_EQ(3, information().model);
}

TEST(InfoPacket, SaturationAdjustmentFollowsModelThreeFirmware) {
    for (const char* firmware : {"V270", "V264", "V263"}) {
        SdkSession session;
        druvex_sim::SimOptions options;
        options.model = 3;
        options.firmware = firmware;
        session.send(handle, druvex_sim::SensorSim(options).info_packets()[0]);
        const bool adjusted = firmware[2] == '7' || firmware[3] == '4';
        EXPECT_EQ(adjusted ? 1 : 0, calibration().flags & 1) << firmware;
    }
}

// Body limits and layouts, parsed directly.
druvex_sim::Bytes dvx_body(druvex_sim::BodyFormat format, uint16_t channels) {
    return druvex_sim::make_calibration(5, format, channels).body();
}

TEST(CalibrationBody, ChannelLimitsAndMinimumLengths) {
    DruvexCalibration out;
    auto body = dvx_body(druvex_sim::BodyFormat::dvx8, 24);
    ASSERT_EQ(1664u, body.size());
    EXPECT_TRUE(druvex_sdk::parse_info_body(body.data(), body.size(), out));
    EXPECT_EQ(24, out.channel_count);
    EXPECT_FALSE(druvex_sdk::parse_info_body(body.data(), body.size() - 1, out));

    auto too_many = dvx_body(druvex_sim::BodyFormat::dvx9, 25);
    EXPECT_FALSE(druvex_sdk::parse_info_body(too_many.data(), too_many.size(), out));
    auto wide = dvx_body(druvex_sim::BodyFormat::dvxa, 32);
    EXPECT_TRUE(druvex_sdk::parse_info_body(wide.data(), wide.size(), out));
    auto hostile = dvx_body(druvex_sim::BodyFormat::dvx8, 8);
    put<uint32_t>(hostile, 40, 0xFFFFFFFFu);
    EXPECT_FALSE(druvex_sdk::parse_info_body(hostile.data(), hostile.size(), out));
}

TEST(CalibrationBody, ZeroDistanceScaleSaturatesThePowerOffsets) {
    auto body = dvx_body(druvex_sim::BodyFormat::dvx8, 8);
    put<float>(body, 48, 0.0f);
    DruvexCalibration out;
    ASSERT_TRUE(druvex_sdk::parse_info_body(body.data(), body.size(), out));
    for (int16_t offset : out.lasers[0].power_distance_offset) {
        EXPECT_TRUE(offset == 32767 || offset == -32768 || offset == 0) << offset;
    }
}

TEST(CalibrationBody, FixedEightChannelLayout) {
    Bytes body(796, 0);
    put<uint32_t>(body, 0, druvex_sdk::fixed_body_magic);
    put<float>(body, 4, -0.5f);
    put<float>(body, 24, 40.0f);
    put<float>(body, 36, 0.0168f);
    put<float>(body, 88, 0.001f);
    put<uint32_t>(body, 340, 77);
    put_text(body, 344, "FIXED", 27);
    put<uint16_t>(body, 372, 4);
    const size_t geometry = 64 + 28 * 7, power = 380 + 52 * 7;
    put<int16_t>(body, geometry + 0, 11);
    put<int16_t>(body, geometry + 2, 22);
    put<int16_t>(body, geometry + 8, 100);
    put<float>(body, geometry + 16, 2.0f);
    put<float>(body, geometry + 20, 3.0f);
    put<float>(body, power + 0, 0.5f);
    put<uint8_t>(body, power + 20 + 15, 4);
    put<int8_t>(body, power + 36 + 15, -7);
    DruvexCalibration out;
    ASSERT_TRUE(druvex_sdk::parse_info_body(body.data(), body.size(), out));
    EXPECT_EQ(8, out.channel_count);
    EXPECT_EQ(77u, out.signature);
    EXPECT_STREQ("FIXED", out.model_name);
    EXPECT_FLOAT_EQ(-0.5f, out.image_clip_min_x);
    EXPECT_FLOAT_EQ(40.0f, out.distance_clip_max);
    const DruvexLaserCalibration& laser = out.lasers[7];
    EXPECT_EQ(11, laser.image_x_offset);
    EXPECT_EQ(22, laser.image_z_offset);
    EXPECT_FLOAT_EQ(6.0f, laser.x_from_z);
    EXPECT_FLOAT_EQ(2.0f, laser.power_gain[15]);
    EXPECT_EQ(93, laser.power_distance_offset[15]);
    EXPECT_FALSE(druvex_sdk::parse_info_body(body.data(), 795, out));
}

}  // namespace
