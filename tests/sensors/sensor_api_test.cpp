// The exported sensor calls: which failures they store in the last error and
// which they only return, and the per-sensor transform.
#include <gtest/gtest.h>

#include "packet_builder.h"
#include "sdk_session.h"
#include "sensors/sensor_manager.h"

using namespace druvex_test;

namespace {

constexpr uint64_t handle = 0x0A00002A;

int32_t take_error(std::string* text = nullptr) {
    const char* message = nullptr;
    const int32_t code = druvex_sdk_get_error(&message);
    if (text != nullptr) *text = message;
    return code;
}

TEST(SensorApi, NothingIsKnownBeforeTheFirstInformationPacket) {
    SdkSession session;
    EXPECT_EQ(0, druvex_sdk_get_n_sensors());
    DruvexSensorInformation info{};
    EXPECT_EQ(DRUVEX_ERROR_SENSOR_NOT_FOUND, druvex_sdk_get_sensor_information_by_index(0, &info));
    EXPECT_EQ(DRUVEX_ERROR_SENSOR_NOT_FOUND, take_error());
}

TEST(SensorApi, RefusedValueIsReturnedButNotStored) {
    SdkSession session;
    session.send(handle, bare_info("V6.1"));
    uint8_t small = 0;
    EXPECT_EQ(DRUVEX_ERROR_INVALID_ARGUMENTS, druvex_sdk_get(handle, 1, &small, 1));
    EXPECT_EQ(0, take_error());
    uint16_t key2 = 0;
    EXPECT_EQ(DRUVEX_ERROR_INVALID_ARGUMENTS,
              druvex_sdk_get(handle, DRUVEX_SDK_VALUE_CLOCK_RATE, &key2, 2));
    EXPECT_EQ(0, druvex_sdk_get(handle, DRUVEX_SDK_VALUE_KEY2, &key2, 2));
    EXPECT_EQ(1000, key2);
    EXPECT_EQ(DRUVEX_ERROR_SENSOR_NOT_FOUND, druvex_sdk_get(7, DRUVEX_SDK_VALUE_KEY2, &key2, 2));
    EXPECT_EQ(DRUVEX_ERROR_SENSOR_NOT_FOUND, take_error());
}

TEST(SensorApi, ValueMessagesTellUnknownKeysFromWrongSizes) {
    SdkSession session;
    session.send(handle, bare_info("V6.1"));
    auto sensor = druvex_sdk::SensorManager::instance().get_by_handle(handle);
    ASSERT_TRUE(sensor);
    float out = 0;
    EXPECT_EQ("", sensor->value(DRUVEX_SDK_VALUE_CLOCK_RATE, 2, &out).message);
    EXPECT_EQ("Invalid SDK value!", sensor->value(7, 4, &out).message);
    EXPECT_EQ("Invalid SDK value!", sensor->value(10, 4, &out).message);
}

TEST(SensorApi, UnknownHandleOnSetCalibrationIsOnlyReturned) {
    SdkSession session;
    DruvexCalibration c{};
    EXPECT_EQ(DRUVEX_ERROR_SENSOR_NOT_FOUND, druvex_sdk_set_calibration(5, &c));
    EXPECT_EQ(0, take_error());
    EXPECT_EQ(DRUVEX_ERROR_SENSOR_NOT_FOUND, druvex_sdk_get_calibration(5, &c));
    EXPECT_EQ(DRUVEX_ERROR_SENSOR_NOT_FOUND, take_error());
}

TEST(SensorApi, CallsBeforeInitialisation) {
    DruvexSensorTransform t{};
    EXPECT_EQ(DRUVEX_ERROR_NOT_INITIALIZED, druvex_sdk_get_transform(handle, &t));
    EXPECT_EQ(0, take_error());
    DruvexSensorInformation info{};
    EXPECT_EQ(DRUVEX_ERROR_NOT_INITIALIZED, druvex_sdk_get_sensor_information(handle, &info));
    std::string text;
    EXPECT_EQ(DRUVEX_ERROR_NOT_INITIALIZED, take_error(&text));
    EXPECT_EQ("DRUVEX_ERROR_NOT_INITIALIZED", text);
    EXPECT_EQ(0, druvex_sdk_get_n_sensors());
}

TEST(SensorApi, TransformIsStoredAndClearedToAllZero) {
    SdkSession session;
    session.send(handle, bare_info("V6.1"));
    int32_t has = -1;
    ASSERT_EQ(0, druvex_sdk_has_transform(handle, &has));
    EXPECT_EQ(0, has);
    const DruvexSensorTransform pose{{0, 0, 0.7071f, 0.7071f}, {1, 2, 3}};
    ASSERT_EQ(0, druvex_sdk_set_transform(handle, &pose));
    DruvexSensorTransform got{};
    ASSERT_EQ(0, druvex_sdk_get_transform(handle, &got));
    EXPECT_EQ(3.0f, got.translation[2]);
    EXPECT_EQ(0.7071f, got.rotation[3]);
    druvex_sdk_has_transform(handle, &has);
    EXPECT_EQ(1, has);
    ASSERT_EQ(0, druvex_sdk_clear_transform(handle));
    druvex_sdk_get_transform(handle, &got);
    for (float v : got.rotation) EXPECT_EQ(0.0f, v);
    druvex_sdk_has_transform(handle, &has);
    EXPECT_EQ(0, has);
    EXPECT_EQ(DRUVEX_ERROR_SENSOR_NOT_FOUND, druvex_sdk_clear_transform(9));
    take_error();
}

TEST(SensorApi, CalibrateWithTheSensorsCalibration) {
    SdkSession session;
    session.send(handle, bare_info("V6.1"));
    DruvexSensorRawPointWithTime raw{};
    raw.distance[0] = 5000;
    DruvexSensorImagePoint out[2]{};
    ASSERT_EQ(0, druvex_sdk_calibrate_points(handle, 1, &raw, 2, out));
    EXPECT_NEAR(5000 * 0.0009993083f - 0.0168f, out[0].distance, 1e-5);
    EXPECT_EQ(DRUVEX_ERROR_SENSOR_NOT_FOUND, druvex_sdk_calibrate_points(9, 1, &raw, 1, out));
    EXPECT_EQ(DRUVEX_ERROR_INVALID_ARGUMENTS, druvex_sdk_calibrate_points(handle, 1, &raw, 0, out));
    take_error();
}

}  // namespace
