// Data packets: record layouts, point counts, period learning and the time
// base of each point.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "packet_builder.h"
#include "sdk_session.h"
#include "sensor_sim.h"

using namespace druvex_test;

namespace {

constexpr uint64_t handle = 0x0A00002A;
constexpr int64_t one_hour = 3600000000LL;

// A model-4 sensor (8 segments) that has learned a 5 us period from two
// packets of 32 records; returns the clock of the next packet.
uint32_t prepare_sensor(SdkSession& session, uint32_t t0 = 1000) {
    session.send(handle, bare_info("V4.5"));
    for (uint32_t k = 0; k < 3; ++k) {
        session.send(handle, data_packet("STDT", t0 + 160 * k, 32, 8), 5000000 + k);
    }
    session.forget();
    return t0 + 480;
}

TEST(DataPacket, PointCountIsRoundedDownToWholeSamples) {
    SdkSession session;
    const uint32_t t = prepare_sensor(session);
    session.send(handle, data_packet("STDT", t, 37, 8));
    EXPECT_EQ(32u, session.raw.size());
}

TEST(DataPacket, RecordsAreStampedOnePeriodApartAfterTheBase) {
    SdkSession session;
    const uint32_t t = prepare_sensor(session);
    session.send(handle, data_packet("STDT", t, 32, 8), 7000000);
    ASSERT_EQ(32u, session.raw.size());
    EXPECT_EQ(7000000 + 5, session.raw.front().timestamp);
    EXPECT_EQ(7000000 + 32 * 5, session.raw.back().timestamp);
    EXPECT_EQ(3, session.raw[11].channel_id);
}

float learned_period() {
    DruvexSensorInformation info{};
    druvex_sdk_get_sensor_information(handle, &info);
    return info.measurement_period;
}

TEST(DataPacket, PeriodIsLearnedFromAgreeingPairsOnly) {
    SdkSession session;
    session.send(handle, bare_info("V4.5"));
    // 5 us, then 10 us: the pair disagrees; a clock that goes back is skipped.
    for (uint32_t t : {1000u, 1160u, 1480u, 1400u})
        session.send(handle, data_packet("STDT", t, 32, 8));
    EXPECT_EQ(0.0f, learned_period());
    for (uint32_t t : {1560u, 1720u}) session.send(handle, data_packet("STDT", t, 32, 8));
    EXPECT_FLOAT_EQ(5e-6f, learned_period());
}

TEST(DataPacket, NoPointsUntilThePeriodIsKnown) {
    SdkSession session;
    session.send(handle, bare_info("V4.5"));
    session.send(handle, data_packet("STDT", 1000, 32, 8));
    session.send(handle, data_packet("STDT", 1160, 32, 8));
    EXPECT_TRUE(session.raw.empty());
}

TEST(DataPacket, PacketTimeStampsEveryPointWithTheRawClock) {
    SdkSession session(DRUVEX_SDK_CONTROL_USE_PACKET_TIME);
    session.send(handle, bare_info("V4.5"));
    session.send(handle, data_packet("STDT", 123456, 16, 8), 99);
    ASSERT_EQ(16u, session.raw.size());
    for (const auto& p : session.raw) EXPECT_EQ(123456, p.timestamp);
}

TEST(DataPacket, BaseWithinATenthOfASecondOfAnHourJumpIsMovedBack) {
    SdkSession session;
    druvex_sim::SimOptions options;
    options.model = 4;
    options.info = druvex_sim::InfoKind::infx;
    options.infx_status = 2 | 4;
    options.sync_timestamp = 7 * one_hour + 5;
    session.send(handle, druvex_sim::SensorSim(options).info_packets()[0]);
    for (uint32_t k = 0; k < 3; ++k)
        session.send(handle, data_packet("STDT", 1000 + 160 * k, 32, 8));
    session.forget();
    const uint32_t t = 1320 + one_hour - 50000;
    session.send(handle, data_packet("STDT", t, 32, 8));
    ASSERT_FALSE(session.raw.empty());
    EXPECT_EQ(7 * one_hour + 1320 - 50000 + 5, session.raw.front().timestamp);
}

TEST(DataPacket, LayoutsDecodeTheirFields) {
    SdkSession session(DRUVEX_SDK_CONTROL_USE_PACKET_TIME |
                       DRUVEX_SDK_CONTROL_ENABLE_MULTIPLE_RETURNS);
    session.send(handle, bare_info("V4.5"));
    Bytes stdq = data_packet("STDQ", 1, 8, 13);
    put<int16_t>(stdq, 22, -5);
    put<uint32_t>(stdq, 26, 0xAB1FFFFFu);  // distance, saturated, intensity 0xAB
    put<uint8_t>(stdq, 30, 0xF3);          // all eight power bits
    put<uint32_t>(stdq, 31, 0x07012345u);
    session.send(handle, stdq);
    ASSERT_EQ(8u, session.raw.size());
    const auto& q = session.raw[0];
    EXPECT_EQ(0xFFFB, q.image_x);
    EXPECT_EQ(0xFFFFFu, q.distance[0]);
    EXPECT_EQ(1, q.saturated[0]);
    EXPECT_EQ(0xAB, q.intensity[0]);
    EXPECT_EQ(0xF3, q.power_level);
    EXPECT_EQ(0x12345u, q.distance[1]);
    EXPECT_EQ(0, q.saturated[1]);
    EXPECT_EQ(7, q.intensity[1]);

    session.forget();
    Bytes stdr = data_packet("STDR", 1, 8, 11);
    put<uint16_t>(stdr, 26, 500);
    put<uint8_t>(stdr, 28, 9);
    put<uint8_t>(stdr, 29, 0xF3);  // only the low four bits
    put<uint16_t>(stdr, 30, 700);
    put<uint8_t>(stdr, 32, 4);
    session.send(handle, stdr);
    ASSERT_EQ(8u, session.raw.size());
    EXPECT_EQ(500u, session.raw[0].distance[0]);
    EXPECT_EQ(9, session.raw[0].intensity[0]);
    EXPECT_EQ(3, session.raw[0].power_level);
    EXPECT_EQ(700u, session.raw[0].distance[1]);
    EXPECT_EQ(4, session.raw[0].intensity[1]);
    EXPECT_EQ(16u, session.image.size());
}

TEST(DataPacket, MarkedPacketsAndDataBeforeInformationAreIgnored) {
    SdkSession session(DRUVEX_SDK_CONTROL_USE_PACKET_TIME);
    session.send(handle, data_packet("STDT", 1, 8, 8));
    EXPECT_EQ(0, druvex_sdk_get_n_sensors());
    session.send(handle, bare_info("V4.5"));
    Bytes marked = data_packet("STDT", 1, 8, 8);
    marked[9] = 1;
    session.send(handle, marked);
    EXPECT_TRUE(session.raw.empty());
}

// One packet of 32 records at raw distance 1000 from `from`; its image points.
std::vector<DruvexSensorImagePoint> far_points(SdkSession& session, uint64_t from) {
    Bytes packet = data_packet("STDT", 1, 32, 8);
    for (size_t i = 0; i < 32; ++i) put<uint16_t>(packet, 22 + 8 * i + 4, 1000);
    session.forget();
    session.send(from, packet);
    EXPECT_EQ(32u, session.image.size());
    return session.image;
}

size_t valid_count(const std::vector<DruvexSensorImagePoint>& points) {
    size_t n = 0;
    for (const auto& p : points) n += (p.flags & DRUVEX_POINT_FLAG_VALID) != 0;
    return n;
}

bool all_infinite(const std::vector<DruvexSensorImagePoint>& points) {
    for (const auto& p : points) {
        if (std::isfinite(p.distance)) return false;
    }
    return true;
}

// A distance scale of +inf or 1e38, from the information packet or from the
// caller, puts points at an infinite distance: live or calibrated on request,
// none of them is valid.
TEST(DataPacket, PointsAtInfiniteDistanceAreNeverValid) {
    SdkSession session(DRUVEX_SDK_CONTROL_USE_PACKET_TIME);
    Bytes info = bare_info("V4.5");
    session.send(handle, info);
    EXPECT_EQ(32u, valid_count(far_points(session, handle)));
    const std::vector<DruvexSensorRawPointWithTime> raw = session.raw;

    put<float>(info, 20, std::numeric_limits<float>::infinity());
    session.send(handle + 1, info);
    auto points = far_points(session, handle + 1);
    EXPECT_TRUE(all_infinite(points));
    EXPECT_EQ(0u, valid_count(points));

    DruvexCalibration calibration{};
    ASSERT_EQ(0, druvex_sdk_get_calibration(handle, &calibration));
    calibration.distance_scale = 1e38f;
    ASSERT_EQ(0, druvex_sdk_set_calibration(handle, &calibration));
    points = far_points(session, handle);
    EXPECT_TRUE(all_infinite(points));
    EXPECT_EQ(0u, valid_count(points));
    std::vector<DruvexSensorImagePoint> asked(raw.size());
    ASSERT_EQ(0, druvex_sdk_calibrate_points_with_calibration(
                     &calibration, static_cast<int32_t>(raw.size()), raw.data(), 1, asked.data()));
    EXPECT_TRUE(all_infinite(asked));
    EXPECT_EQ(0u, valid_count(asked));
}

}  // namespace
