// Calibration of raw points with a caller's calibration: geometry, distance,
// intensity, flags, return types, and the clip switches.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "sdk_session.h"

using druvex_test::SdkSession;

namespace {

using Raw = DruvexSensorRawPointWithTime;
using Image = DruvexSensorImagePoint;

// One channel, no distortion, unit offsets: a raw distance D at power level 0
// reads (D - 10) x 0.001 - 0.01 metres.
DruvexCalibration simple_calibration() {
    DruvexCalibration c{};
    c.model = 5;
    c.channel_count = 1;
    c.focal_length = 0.01f;
    c.distance_scale = 0.001f;
    for (auto& laser : c.lasers) {
        laser.image_x_scale = 1e-5f;
        laser.image_z_scale = 2e-5f;
        laser.power_gain[0] = 2.0f;
        laser.power_distance_offset[0] = 10;
        laser.intensity_distance_offset = 0.5f;
    }
    return c;
}

Raw raw_point(uint32_t d0, uint32_t d1 = 0) {
    Raw p{};
    p.timestamp = 42;
    p.distance[0] = d0;
    p.distance[1] = d1;
    p.intensity[0] = 100;
    p.intensity[1] = 50;
    return p;
}

std::vector<Image> calibrate(const DruvexCalibration& c, const std::vector<Raw>& raw,
                             int32_t returns) {
    std::vector<Image> out(raw.size() * returns);
    EXPECT_EQ(0, druvex_sdk_calibrate_points_with_calibration(&c, static_cast<int32_t>(raw.size()),
                                                              raw.data(), returns, out.data()));
    return out;
}

bool valid(const Image& p) { return p.flags & DRUVEX_POINT_FLAG_VALID; }

TEST(PointCalibration, GeometryFollowsOffsetsScalesAndDistortion) {
    SdkSession session;
    DruvexCalibration c = simple_calibration();
    c.lasers[0].image_x_offset = 100;
    c.lasers[0].image_x_offset2 = 20;
    c.lasers[0].image_z_offset = -50;
    c.lasers[0].x_from_z = 1e-6f;
    c.distortion_k1 = 0.1f;
    Raw p = raw_point(1000);
    p.image_x = static_cast<uint16_t>(-380);  // signed: -380
    p.image_z = 150;
    const Image out = calibrate(c, {p}, 1)[0];
    const float X = (-380 - 20 - 100) * 1e-5f + (150 + 50) * 1e-6f;
    const float Z = (150 + 50) * 2e-5f;
    const float s = (X * X + Z * Z) / (0.01f * 0.01f);
    EXPECT_NEAR((s * 0.1f * X + X) / 0.01f, out.image_x, 1e-6);
    EXPECT_NEAR((s * 0.1f * Z + Z) / 0.01f, out.image_z, 1e-6);
    EXPECT_NEAR((1000 - 10) * 0.001f - 0.01f, out.distance, 1e-6);
    EXPECT_EQ(42, out.timestamp);
    const float e = 1000 * 0.001f + 0.5f;
    EXPECT_NEAR(100 * e * e / 2.0f, out.intensity, 1e-3);
}

TEST(PointCalibration, RepeatedFirstReturnCountsAsNoSecondReturn) {
    SdkSession session;
    const auto out = calibrate(simple_calibration(), {raw_point(2000, 2000)}, 2);
    EXPECT_TRUE(valid(out[0]));
    EXPECT_EQ(0.0f, out[1].distance);
    EXPECT_FALSE(valid(out[1]));
}

TEST(PointCalibration, FarthestReturnIsMarkedOnce) {
    SdkSession session;
    const auto out =
        calibrate(simple_calibration(), {raw_point(2000, 3000), raw_point(3000, 2000)}, 2);
    EXPECT_EQ(DRUVEX_RETURN_TYPE_FIRST, out[0].return_type);
    EXPECT_EQ(DRUVEX_RETURN_TYPE_FARTHEST, out[1].return_type);
    EXPECT_EQ(DRUVEX_RETURN_TYPE_FIRST | DRUVEX_RETURN_TYPE_FARTHEST, out[2].return_type);
    EXPECT_EQ(0, out[3].return_type);
}

TEST(PointCalibration, PowerLevelOutsideTheTablesUsesNoOffsetAndUnitIntensity) {
    SdkSession session;
    Raw p = raw_point(1000);
    p.power_level = 40;
    const Image out = calibrate(simple_calibration(), {p}, 1)[0];
    EXPECT_EQ(1.0f, out.intensity);
    EXPECT_NEAR(1000 * 0.001f - 0.01f, out.distance, 1e-6);
}

TEST(PointCalibration, SaturatedReturnsBeyondHalfAMetreAreMovedOnByModel) {
    SdkSession session;
    DruvexCalibration c = simple_calibration();
    Raw near = raw_point(420), far = raw_point(620);  // 0.4 m and 0.6 m
    near.saturated[0] = far.saturated[0] = 1;
    auto out = calibrate(c, {near, far}, 1);
    EXPECT_NEAR(0.4f, out[0].distance, 1e-6);
    EXPECT_NEAR(0.675f, out[1].distance, 1e-6);
    EXPECT_TRUE(out[1].flags & DRUVEX_POINT_FLAG_SATURATED);
    c.model = 4;
    c.flags = 1;
    EXPECT_NEAR(1.2f, calibrate(c, {far}, 1)[0].distance, 1e-6);
    c.flags = 0;
    EXPECT_NEAR(0.6f, calibrate(c, {far}, 1)[0].distance, 1e-6);
}

TEST(PointCalibration, IsolatedSaturatedMeasurementsAreDroppedOnModelsThreeAndSix) {
    SdkSession session;
    DruvexCalibration c = simple_calibration();
    c.model = 3;
    std::vector<Raw> raw(5, raw_point(3000));
    for (int i : {1, 3, 4}) raw[i].intensity[0] = 255;  // saturated by amplitude
    const auto out = calibrate(c, raw, 1);
    EXPECT_TRUE(valid(out[0]));
    EXPECT_FALSE(valid(out[1]));
    EXPECT_TRUE(valid(out[2]));
    EXPECT_FALSE(valid(out[3]));
    EXPECT_TRUE(valid(out[4]));
}

// A focal length of 0 (or any value that makes the tangents NaN or infinite)
// leaves points that have no place: none of them may count as valid.
TEST(PointCalibration, PointsWithoutFiniteTangentsAreNeverValid) {
    SdkSession session;
    DruvexCalibration c = simple_calibration();
    c.focal_length = 0.0f;
    Raw centred = raw_point(1000), off = raw_point(2000);
    off.image_x = 300;
    for (const Image& p : calibrate(c, {centred, off}, 2)) EXPECT_FALSE(valid(p));
    c = simple_calibration();
    c.lasers[0].image_z_scale = std::numeric_limits<float>::infinity();
    off.image_z = 5;
    EXPECT_FALSE(valid(calibrate(c, {off}, 1)[0]));
    EXPECT_TRUE(valid(calibrate(simple_calibration(), {off}, 1)[0]));
}

TEST(PointCalibration, ClipsAndTheirSwitches) {
    DruvexCalibration c = simple_calibration();
    c.image_clip_max_x = 0.5f;
    c.distance_clip_max = 5.0f;
    Raw wide = raw_point(1000);
    wide.image_x = 1000;  // image_x 1.0
    const Raw far = raw_point(8000);
    {
        SdkSession session;
        const auto out = calibrate(c, {wide, far, raw_point(1000)}, 1);
        EXPECT_FALSE(valid(out[0]));
        EXPECT_FALSE(valid(out[1]));
        EXPECT_TRUE(valid(out[2]));
        DruvexCalibration open = simple_calibration();
        EXPECT_TRUE(valid(calibrate(open, {wide}, 1)[0]));
        EXPECT_TRUE(valid(calibrate(open, {far}, 1)[0]));
    }
    SdkSession session(DRUVEX_SDK_CONTROL_DISABLE_IMAGE_CLIP |
                       DRUVEX_SDK_CONTROL_DISABLE_DISTANCE_CLIP);
    const auto out = calibrate(c, {wide, far}, 1);
    EXPECT_TRUE(valid(out[0]));
    EXPECT_TRUE(valid(out[1]));
}

TEST(PointCalibration, CallerArgumentsAreChecked) {
    SdkSession session;
    const DruvexCalibration c = simple_calibration();
    Raw raw = raw_point(1000);
    raw.channel_id = 200;  // outside the laser table
    Image out[3]{};
    EXPECT_EQ(DRUVEX_ERROR_INVALID_ARGUMENTS,
              druvex_sdk_calibrate_points_with_calibration(&c, 1, &raw, 3, out));
    EXPECT_EQ(DRUVEX_ERROR_INVALID_ARGUMENTS,
              druvex_sdk_calibrate_points_with_calibration(&c, -1, &raw, 1, out));
    const char* text = nullptr;
    EXPECT_EQ(DRUVEX_ERROR_INVALID_ARGUMENTS, druvex_sdk_get_error(&text));
    ASSERT_EQ(0, druvex_sdk_calibrate_points_with_calibration(&c, 1, &raw, 1, out));
    EXPECT_FALSE(valid(out[0]));
}

// Long calls are worked in blocks of points: points on either side of a block
// boundary, and in a short last block, come out as they do one at a time.
TEST(PointCalibration, LongCallsMatchPointByPointCalls) {
    SdkSession session;
    DruvexCalibration c = simple_calibration();
    c.distortion_k1 = 0.3f;
    c.image_clip_max_x = 0.4f;
    for (int32_t returns : {1, 2}) {
        std::vector<Raw> raw;
        for (uint32_t i = 0; i < 150; ++i) {
            Raw p = raw_point(500 + 37 * i, i % 3 == 0 ? 500 + 37 * i : 900 + 11 * i);
            p.image_x = static_cast<uint16_t>(i * 211);
            p.image_z = static_cast<uint16_t>(i * 97);
            p.channel_id = static_cast<uint8_t>(i % 5 == 4 ? 40 : i % 32);
            p.saturated[0] = i % 7 == 0;
            p.intensity[1] = static_cast<uint8_t>(i % 11 == 0 ? 255 : i);
            raw.push_back(p);
        }
        const std::vector<Image> whole = calibrate(c, raw, returns);
        for (size_t i = 0; i < raw.size(); ++i) {
            const std::vector<Image> one = calibrate(c, {raw[i]}, returns);
            for (int32_t r = 0; r < returns; ++r) {
                const Image& a = whole[i * returns + r];
                const Image& b = one[r];
                EXPECT_EQ(a.image_x, b.image_x) << i;
                EXPECT_EQ(a.image_z, b.image_z) << i;
                EXPECT_EQ(a.distance, b.distance) << i;
                EXPECT_EQ(a.intensity, b.intensity) << i;
                EXPECT_EQ(a.flags, b.flags) << i;
                EXPECT_EQ(a.return_type, b.return_type) << i;
            }
        }
    }
}

}  // namespace
