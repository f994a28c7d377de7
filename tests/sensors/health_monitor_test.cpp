// Health faults reach the error callback at once, with their measured value
// as 4 bytes of data: environment readings of information packets, and the
// field of view the points cover.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "sdk_session.h"
#include "sensor_sim.h"

using namespace druvex_sim;
using druvex_test::fault_value;
using druvex_test::SdkSession;

namespace {

constexpr uint64_t sensor_handle = 0x0A000033;

std::vector<druvex_test::SeenError> faults_of(SdkSession& session, int32_t code) {
    std::vector<druvex_test::SeenError> found;
    for (const auto& e : session.errors) {
        if (e.code == code) found.push_back(e);
    }
    return found;
}

void send_info(SdkSession& session, const SimOptions& options) {
    for (const auto& packet : SensorSim(options).info_packets())
        session.send(sensor_handle, packet);
}

TEST(EnvironmentFaults, TemperatureOutsideMinus40To80IsReportedWithItsValue) {
    SdkSession session;
    SimOptions options;
    for (int8_t t : {80, -40, 25}) {
        options.temperature = t;
        send_info(session, options);
    }
    EXPECT_TRUE(session.errors.empty());
    for (int8_t t : {81, -41}) {
        options.temperature = t;
        send_info(session, options);
    }
    const auto faults = faults_of(session, DRUVEX_FAULT_EXTREME_TEMPERATURE);
    ASSERT_EQ(2u, faults.size());
    EXPECT_EQ(sensor_handle, faults[0].handle);
    EXPECT_EQ("", faults[0].message);
    EXPECT_FLOAT_EQ(81.0f, fault_value(faults[0]));
    EXPECT_FLOAT_EQ(-41.0f, fault_value(faults[1]));
}

TEST(EnvironmentFaults, HumidityIsCheckedOnlyForModelsBelowFive) {
    SimOptions options;
    options.humidity = 100;
    options.model = 3;
    {
        SdkSession session;
        send_info(session, options);
        const auto faults = faults_of(session, DRUVEX_FAULT_EXTREME_HUMIDITY);
        ASSERT_EQ(1u, faults.size());
        EXPECT_FLOAT_EQ(100.0f, fault_value(faults[0]));
    }
    SdkSession other;
    options.model = 6;
    options.info = InfoKind::infx;
    send_info(other, options);
    EXPECT_TRUE(other.errors.empty());
}

// Plays a sensor for `seconds` of host time after a first packet, then for
// enough packets to close one monitoring window; returns the faults. With
// `informer`, a second thread routes the sensor's information packets all the
// while, as a replay next to live traffic would.
std::vector<druvex_test::SeenError> fov_faults(SimOptions options, int64_t delay_us,
                                               bool informer = false) {
    options.record_period_us = 5;
    SensorSim sim(options);
    SdkSession session;
    const auto info = sim.info_packets();
    for (const auto& packet : info) session.send(sensor_handle, packet);
    std::atomic<bool> done{false};
    std::thread second([&] {
        while (informer && !done) {
            for (const auto& packet : info) session.send(sensor_handle, packet);
        }
    });
    int64_t host = 1765000000000000;
    for (int k = 0; k < 3; ++k) session.send(sensor_handle, sim.next_data_packet().bytes, host);
    host += delay_us;
    // At least one second and 125,000 points after the window opens.
    for (int k = 0; k < 1300; ++k) {
        const SimDataPacket packet = sim.next_data_packet();
        session.send(sensor_handle, packet.bytes, host);
        host += packet.records * options.record_period_us;
        if (!informer && !session.errors.empty()) break;
        session.raw.clear();
        session.image.clear();
    }
    done = true;
    second.join();
    return session.errors;
}

TEST(FieldOfViewFaults, NarrowHorizontalScanIsReportedAfterTheStartDelay) {
    SimOptions options;
    options.model = 3;
    options.sweep_amplitude = 0.8f;
    auto faults = fov_faults(options, 61000000);
    ASSERT_FALSE(faults.empty());
    EXPECT_EQ(DRUVEX_FAULT_ABNORMAL_FOV, faults[0].code);
    const float extent = fault_value(faults[0]);
    EXPECT_GT(extent, 0.9f);
    EXPECT_LT(extent, 2 * 0.57735026f);
}

// Both checks of one sensor meet when it is routed from two threads; each
// fault still carries its own value (ThreadSanitizer runs watch the rest).
TEST(FieldOfViewFaults, OneSensorRoutedFromTwoThreads) {
    SimOptions options;
    options.model = 3;
    options.sweep_amplitude = 0.8f;
    options.temperature = 90;
    const auto faults = fov_faults(options, 61000000, true);
    size_t hot = 0, narrow = 0;
    for (const auto& fault : faults) {
        if (fault.code == DRUVEX_FAULT_EXTREME_TEMPERATURE && fault_value(fault) == 90.0f) ++hot;
        if (fault.code == DRUVEX_FAULT_ABNORMAL_FOV && fault_value(fault) > 0.9f) ++narrow;
    }
    EXPECT_GT(hot, 1u);
    EXPECT_GE(narrow, 1u);
    EXPECT_EQ(hot + narrow, faults.size());
}

TEST(FieldOfViewFaults, NothingDuringTheFirstMinute) {
    SimOptions options;
    options.model = 3;
    options.sweep_amplitude = 0.8f;
    EXPECT_TRUE(fov_faults(options, 50000000).empty());
}

TEST(FieldOfViewFaults, FullScanPassesAndModelsWithoutNominalFieldAreNotChecked) {
    SimOptions options;
    options.model = 5;
    EXPECT_TRUE(fov_faults(options, 61000000).empty());
    options.model = 8;
    options.sweep_amplitude = 0.3f;
    EXPECT_TRUE(fov_faults(options, 61000000).empty());
}

TEST(FieldOfViewFaults, ModelFourIsCheckedHorizontallyOnly) {
    SimOptions options;
    options.model = 4;
    options.sweep_amplitude = 0.5f;
    const auto faults = fov_faults(options, 61000000);
    ASSERT_FALSE(faults.empty());
    EXPECT_LT(fault_value(faults[0]), 0.8f);
}

}  // namespace
