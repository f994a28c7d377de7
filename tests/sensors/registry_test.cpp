// The sensor registry: who becomes visible when, and lookups.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "packet_builder.h"
#include "sdk_session.h"
#include "sensor_sim.h"
#include "sensors/sensor_manager.h"

using namespace druvex_test;
using druvex_sdk::SensorManager;

namespace {

std::vector<Bytes> two_part_info() {
    druvex_sim::SimOptions options;
    options.info = druvex_sim::InfoKind::two_part;
    return druvex_sim::SensorSim(options).info_packets();
}

TEST(SensorRegistry, DataFromAnUnknownSenderCreatesNoSensor) {
    SdkSession session;
    session.send(5, data_packet("STDT", 1, 8, 8));
    EXPECT_EQ(0, druvex_sdk_get_n_sensors());
    EXPECT_EQ(0u, SensorManager::instance().pending_count());
}

TEST(SensorRegistry, FirstHalfStaysInvisibleUntilTheSecondArrives) {
    SdkSession session;
    const auto halves = two_part_info();
    ASSERT_EQ(2u, halves.size());
    session.send(9, halves[0]);
    EXPECT_EQ(0, druvex_sdk_get_n_sensors());
    DruvexSensorInformation info{};
    EXPECT_EQ(DRUVEX_ERROR_SENSOR_NOT_FOUND, druvex_sdk_get_sensor_information(9, &info));
    session.send(9, halves[1]);
    EXPECT_EQ(1, druvex_sdk_get_n_sensors());
    EXPECT_EQ(0u, SensorManager::instance().pending_count());
}

TEST(SensorRegistry, MismatchedSecondHalfIsRefusedAndTheFirstKeepsWaiting) {
    SdkSession session;
    auto halves = two_part_info();
    Bytes wrong = halves[1];
    wrong[60] ^= 1;  // signature differs
    session.send(9, halves[0]);
    session.send(9, wrong);
    session.send(9, nullptr, 0);  // delivers the queued error
    ASSERT_EQ(1u, session.errors.size());
    EXPECT_EQ(DRUVEX_ERROR_COMMUNICATION, session.errors[0].code);
    session.send(9, halves[1]);
    EXPECT_EQ(1, druvex_sdk_get_n_sensors());
}

TEST(SensorRegistry, ReplayedSensorsAreMarkedAsMocked) {
    SdkSession session;
    const uint64_t replayed = 0x10A00002Aull;
    session.send(replayed, bare_info("V6.1"));
    DruvexSensorInformation info{};
    ASSERT_EQ(0, druvex_sdk_get_sensor_information(replayed, &info));
    EXPECT_EQ(replayed, info.handle);
    EXPECT_TRUE(info.flags & DRUVEX_SENSOR_FLAG_IS_MOCKED);
}

TEST(SensorRegistry, SerialLookupFindsTheEarliestAndClearForgetsAll) {
    SdkSession session;
    session.send(3, bare_info("V6.1", 77));
    session.send(4, bare_info("V6.1", 77));
    session.send(3, bare_info("V6.1", 77));
    EXPECT_EQ(2, druvex_sdk_get_n_sensors());
    uint64_t found = 0;
    ASSERT_EQ(0, druvex_sdk_get_sensor_handle_by_serial_number(77, &found));
    EXPECT_EQ(3u, found);
    DruvexSensorInformation info{};
    ASSERT_EQ(0, druvex_sdk_get_sensor_information_by_index(1, &info));
    EXPECT_EQ(4u, info.handle);

    ASSERT_EQ(0, druvex_sdk_clear());
    EXPECT_EQ(DRUVEX_ERROR_SENSOR_NOT_FOUND, druvex_sdk_get_sensor_information(3, &info));
    const char* text = nullptr;
    druvex_sdk_get_error(&text);
    session.send(3, bare_info("V6.1", 78));
    ASSERT_EQ(0, druvex_sdk_get_sensor_information(3, &info));
    EXPECT_EQ(78u, info.serial_number);
}

TEST(SensorRegistry, HalfAnnouncedSensorsFromManySendersAreBounded) {
    SdkSession session;
    const Bytes first_half = two_part_info()[0];
    for (uint64_t sender = 1; sender <= 1000; ++sender) session.send(sender, first_half);
    EXPECT_EQ(SensorManager::max_pending, SensorManager::instance().pending_count());
    // Refused packets leave nothing behind.
    for (uint64_t sender = 2000; sender < 2100; ++sender) session.send(sender, Bytes(100, 'I'));
    Bytes short_info = bare_info("V6.1");
    short_info.resize(183);
    session.send(5000, short_info);
    EXPECT_LE(SensorManager::instance().pending_count(), SensorManager::max_pending);
    EXPECT_EQ(0, druvex_sdk_get_n_sensors());
}

// Past the limit, information from further senders is ignored and the error
// callback hears of it once; a clear makes room again.
TEST(SensorRegistry, PublishedSensorsAreCappedAndTheRefusalReportedOnce) {
    SdkSession session;
    const uint64_t limit = SensorManager::max_sensors;
    for (uint64_t sender = 1; sender <= limit + 40; ++sender)
        session.send(sender, bare_info("V6.1"));
    EXPECT_EQ(static_cast<int32_t>(limit), druvex_sdk_get_n_sensors());
    DruvexSensorInformation info{};
    EXPECT_EQ(0, druvex_sdk_get_sensor_information(limit, &info));
    EXPECT_EQ(DRUVEX_ERROR_SENSOR_NOT_FOUND, druvex_sdk_get_sensor_information(limit + 1, &info));
    const char* text = nullptr;
    druvex_sdk_get_error(&text);
    ASSERT_EQ(1u, session.errors.size());
    EXPECT_EQ(DRUVEX_ERROR_OUT_OF_MEMORY, session.errors[0].code);
    EXPECT_EQ(limit + 1, session.errors[0].handle);
    EXPECT_NE(std::string::npos, session.errors[0].message.find("sensor limit"));

    ASSERT_EQ(0, druvex_sdk_clear());
    session.send(limit + 1, bare_info("V6.1"));
    EXPECT_EQ(0, druvex_sdk_get_sensor_information(limit + 1, &info));
}

}  // namespace
