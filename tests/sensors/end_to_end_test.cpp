// The simulated sensors of every model, information kind, body and layout,
// through the exported mock receive: the sensor information and every
// calibrated point must be what the simulation computed on its own.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>

#include "frames/frame_manager.h"
#include "frames/point_budget.h"
#include "sdk_session.h"
#include "sensor_sim.h"
#include "support/wait.h"

using namespace druvex_sim;
using druvex_sdk::FrameManager;
using druvex_sdk::PointBudget;
using druvex_test::SdkSession;

namespace {

constexpr uint64_t sensor_handle = 0x0A00002A;
constexpr int packets_per_run = 6;
// The period is learned from the first two packets; their points are dropped.
constexpr int learning_packets = 2;

struct Case {
    uint16_t model;
    Layout layout;
    InfoKind info;
    BodyFormat body;
    bool two_returns;
};

std::string case_name(const testing::TestParamInfo<Case>& info) {
    const Case& c = info.param;
    static const char* infos[] = {"Info", "Infx", "TwoPart"};
    static const char* bodies[] = {"Dvx8", "Dvx9", "Dvxa"};
    return "Model" + std::to_string(c.model) + layout_magic(c.layout) +
           infos[static_cast<int>(c.info)] + bodies[static_cast<int>(c.body)] +
           (c.two_returns ? "TwoReturns" : "OneReturn");
}

uint32_t session_flags(const SimOptions& o) {
    uint32_t flags = 0;
    if (o.multiple_returns) flags |= DRUVEX_SDK_CONTROL_ENABLE_MULTIPLE_RETURNS;
    if (o.use_packet_time) flags |= DRUVEX_SDK_CONTROL_USE_PACKET_TIME;
    if (o.disable_image_clip) flags |= DRUVEX_SDK_CONTROL_DISABLE_IMAGE_CLIP;
    if (o.disable_distance_clip) flags |= DRUVEX_SDK_CONTROL_DISABLE_DISTANCE_CLIP;
    return flags;
}

void expect_point(const ExpectedPoint& want, const DruvexSensorImagePoint& got, size_t index) {
    SCOPED_TRACE("point " + std::to_string(index));
    EXPECT_EQ(want.timestamp, got.timestamp);
    EXPECT_NEAR(want.image_x, got.image_x, 1e-5);
    EXPECT_NEAR(want.image_z, got.image_z, 1e-5);
    EXPECT_NEAR(want.distance, got.distance, 1e-4);
    EXPECT_NEAR(want.intensity, got.intensity, 1e-4 * std::max(1.0f, std::fabs(want.intensity)));
    EXPECT_EQ(want.valid, (got.flags & DRUVEX_POINT_FLAG_VALID) != 0);
    EXPECT_EQ(want.saturated, (got.flags & DRUVEX_POINT_FLAG_SATURATED) != 0);
    EXPECT_EQ(want.first, (got.return_type & DRUVEX_RETURN_TYPE_FIRST) != 0);
    EXPECT_EQ(want.farthest, (got.return_type & DRUVEX_RETURN_TYPE_FARTHEST) != 0);
}

// Runs the simulation through a session; returns the number of valid points
// and checks every packet's points against the expectation.
size_t run_and_compare(SensorSim& sim, SdkSession& session, int packets = packets_per_run) {
    for (const auto& packet : sim.info_packets()) session.send(sensor_handle, packet);
    size_t valid = 0;
    for (int k = 0; k < packets; ++k) {
        const SimDataPacket packet = sim.next_data_packet();
        session.forget();
        EXPECT_EQ(0, session.send(sensor_handle, packet.bytes, packet.host_time_us));
        if (k < learning_packets && !sim.options().use_packet_time) {
            EXPECT_TRUE(session.image.empty());
            continue;
        }
        EXPECT_EQ(1u, session.raw_calls);
        EXPECT_EQ(packet.records, session.raw.size());
        if (session.image.size() != packet.expected.size()) {
            ADD_FAILURE() << "got " << session.image.size() << " points, want "
                          << packet.expected.size();
            return valid;
        }
        for (size_t i = 0; i < packet.expected.size(); ++i) {
            expect_point(packet.expected[i], session.image[i], i);
            valid += packet.expected[i].valid;
        }
        for (size_t i = 0; i < session.raw.size(); ++i) {
            EXPECT_EQ(i % sim.channel_count(), session.raw[i].channel_id);
        }
    }
    return valid;
}

class SimulatedSensor : public testing::TestWithParam<Case> {};

TEST_P(SimulatedSensor, InformationAndPointsMatchTheSimulation) {
    const Case& c = GetParam();
    SimOptions options;
    options.model = c.model;
    options.layout = c.layout;
    options.info = c.info;
    options.body = c.body;
    options.multiple_returns = c.two_returns;
    SensorSim sim(options);
    SdkSession session(session_flags(options));

    for (const auto& packet : sim.info_packets()) session.send(sensor_handle, packet);
    DruvexSensorInformation info{};
    ASSERT_EQ(0, druvex_sdk_get_sensor_information(sensor_handle, &info));
    EXPECT_EQ(options.serial, info.serial_number);
    EXPECT_EQ(c.model, info.model);
    EXPECT_STREQ(sim.calibration().name.c_str(), info.model_name);
    EXPECT_STREQ(sim.firmware().c_str(), info.firmware_version);
    EXPECT_EQ(sim.return_count(), info.return_count);
    EXPECT_EQ(sim.channel_count(), info.segment_count);
    EXPECT_EQ(DRUVEX_SENSOR_FLAG_IS_CALIBRATED, info.flags);
    EXPECT_FLOAT_EQ(static_cast<float>(options.temperature), info.temperature);

    const size_t valid = run_and_compare(sim, session);
    EXPECT_GT(valid, 0u);
    EXPECT_EQ(sim.measurement_period(),
              (druvex_sdk_get_sensor_information(sensor_handle, &info), info.measurement_period));
}

INSTANTIATE_TEST_SUITE_P(
    EveryModelAndLayout, SimulatedSensor,
    testing::Values(Case{1, Layout::stdt, InfoKind::info, BodyFormat::dvx8, false},
                    Case{3, Layout::stdp, InfoKind::info, BodyFormat::dvx9, false},
                    Case{4, Layout::stdr, InfoKind::infx, BodyFormat::dvxa, true},
                    Case{5, Layout::stdq, InfoKind::two_part, BodyFormat::dvx9, true},
                    Case{5, Layout::stdt, InfoKind::two_part, BodyFormat::dvx8, false},
                    Case{6, Layout::stdq, InfoKind::infx, BodyFormat::dvx9, true},
                    Case{7, Layout::stdr, InfoKind::two_part, BodyFormat::dvx8, true},
                    Case{7, Layout::stdp, InfoKind::info, BodyFormat::dvxa, false},
                    Case{8, Layout::stdt, InfoKind::infx, BodyFormat::dvx9, false},
                    Case{8, Layout::stdr, InfoKind::two_part, BodyFormat::dvx9, true}),
    case_name);

// Valid points of a full sweep of a model-5 sensor with the given receiver
// set-up.
size_t valid_points(SimOptions options) {
    SensorSim sim(options);
    SdkSession session(session_flags(options));
    return run_and_compare(sim, session, 100);
}

TEST(SensorFilters, ClipSwitchesLetThePointsTheyGuardThrough) {
    SimOptions options;
    options.layout = Layout::stdq;
    options.multiple_returns = true;
    const size_t clipped = valid_points(options);
    options.disable_image_clip = true;
    const size_t without_image_clip = valid_points(options);
    options.disable_distance_clip = true;
    const size_t without_any_clip = valid_points(options);
    EXPECT_LT(clipped, without_image_clip);
    EXPECT_LT(without_image_clip, without_any_clip);
}

TEST(SensorFilters, StrayFilterOnlyRemovesPointsWithoutNeighbours) {
    SimOptions options;
    SensorSim sim(options);
    SdkSession session(DRUVEX_SDK_CONTROL_ENABLE_STRAY_FILTER);
    for (const auto& packet : sim.info_packets()) session.send(sensor_handle, packet);
    for (int k = 0; k < 3; ++k) {
        const SimDataPacket packet = sim.next_data_packet();
        session.forget();
        session.send(sensor_handle, packet.bytes, packet.host_time_us);
        if (k < learning_packets) continue;
        ASSERT_EQ(packet.expected.size(), session.image.size());
        size_t kept = 0;
        for (size_t i = 0; i < packet.expected.size(); ++i) {
            const bool valid = session.image[i].flags & DRUVEX_POINT_FLAG_VALID;
            EXPECT_TRUE(!valid || packet.expected[i].valid) << i;
            kept += valid;
        }
        // The scene is continuous: nearly every valid point has neighbours.
        EXPECT_GT(kept, 0u);
    }
}

TEST(SensorFilters, InfoCalibrationCanBeSwitchedOff) {
    SimOptions options;
    SensorSim sim(options);
    SdkSession session(DRUVEX_SDK_CONTROL_DISABLE_INFO_CALIBRATION);
    for (const auto& packet : sim.info_packets()) session.send(sensor_handle, packet);
    DruvexCalibration calibration{};
    ASSERT_EQ(0, druvex_sdk_get_calibration(sensor_handle, &calibration));
    EXPECT_EQ(0u, calibration.signature);
    EXPECT_EQ(18, calibration.channel_count);
    EXPECT_FLOAT_EQ(0.0168f, calibration.focal_length);
    EXPECT_FLOAT_EQ(1.4e-6f, calibration.lasers[0].image_x_scale);
    DruvexSensorInformation info{};
    druvex_sdk_get_sensor_information(sensor_handle, &info);
    EXPECT_EQ(0u, info.flags & DRUVEX_SENSOR_FLAG_IS_CALIBRATED);
}

// Timestamps: record i of a packet is stamped one period after the previous
// record, counted from the packet's base, which comes from the time source.
void expect_timestamps(SimOptions options, uint32_t flags = 0) {
    SensorSim sim(options);
    SdkSession session(flags);
    run_and_compare(sim, session);
}

TEST(SensorTimestamps, HostTimeIsTheBaseWithoutGpsOrSync) { expect_timestamps(SimOptions{}); }

TEST(SensorTimestamps, GpsHourPlusSensorClockWhenNmeaIsConnected) {
    SimOptions options;
    options.gps_status = 'A';
    expect_timestamps(options);
}

TEST(SensorTimestamps, SyncHourPlusSensorClockFromExtendedInformation) {
    SimOptions options;
    options.info = InfoKind::infx;
    options.infx_status = 2 | 4;
    options.sync_timestamp = 5 * 3600000000LL + 123456;
    expect_timestamps(options);
}

TEST(SensorTimestamps, PacketTimeStampsEveryPointWithTheClock) {
    SimOptions options;
    options.use_packet_time = true;
    expect_timestamps(options, DRUVEX_SDK_CONTROL_USE_PACKET_TIME);
}

// Shortens the silence after which a sensor gives its buffers back, for one test.
struct ShortSilence {
    explicit ShortSilence(int64_t usec) { FrameManager::instance().set_idle_release_after(usec); }
    ~ShortSilence() {
        FrameManager::instance().set_idle_release_after(FrameManager::idle_release_after_usec);
    }
};

size_t held_bytes(uint64_t handle) {
    const auto frame = FrameManager::instance().get_frame(handle);
    return frame ? frame->held_bytes() : 0;
}

// A sensor that falls silent gives back what its frame holds while others go
// on; its handle and information stay, and its next packets bring frames again.
// Its silence is counted while packets are routed.
TEST(SilentSensor, GivesBackItsBuffersAndGetsThemAgainWhenItSpeaks) {
    const ShortSilence silence(20000);
    SensorSim sim{SimOptions{}}, other{SimOptions{}};
    SdkSession session;
    run_and_compare(sim, session, 4);
    ASSERT_GT(held_bytes(sensor_handle), 0u);
    const uint64_t other_handle = sensor_handle + 1;
    // A while in which nothing is routed (the router held up, say, by long
    // frames while packets wait) counts as one check, not as silence: the
    // passing of that while is itself the step.
    druvex::testing::pause_for(0.1);
    session.send(other_handle, other.info_packets()[0]);
    EXPECT_GT(held_bytes(sensor_handle), 0u);
    // The other sensor's packets drive the checks for silent ones.
    EXPECT_TRUE(druvex::testing::wait_until([&] {
        session.send(other_handle, other.info_packets()[0]);
        return held_bytes(sensor_handle) == 0;
    }));
    DruvexSensorInformation info{};
    ASSERT_EQ(0, druvex_sdk_get_sensor_information(sensor_handle, &info));
    EXPECT_EQ(sim.options().serial, info.serial_number);

    session.forget();
    const SimDataPacket packet = sim.next_data_packet();
    ASSERT_EQ(0, session.send(sensor_handle, packet.bytes, packet.host_time_us));
    EXPECT_EQ(packet.expected.size(), session.image.size());
    EXPECT_GT(held_bytes(sensor_handle), 0u);
}

// Lowers the bound on all frames' points for one test.
struct SmallBudget {
    explicit SmallBudget(size_t points) { PointBudget::instance().set_limit(points); }
    ~SmallBudget() { PointBudget::instance().set_limit(PointBudget::max_points); }
};

// Two sensors whose ten-second frames do not end fill the budget together:
// what does not fit is dropped, the first drop alone is reported, and silence
// gives every point back, after which points are taken again.
TEST(FramePointBudget, SharedByAllFramesReportedOnceAndGivenBackInSilence) {
    const ShortSilence silence(20000);
    const SmallBudget budget(3000);
    SensorSim first{SimOptions{}}, second{SimOptions{}};
    SdkSession session;
    DruvexSDKFrameOptions timed = druvex_sdk_create_frame_options();
    timed.mode = DRUVEX_SDK_FRAME_TIMED;
    timed.length = 10.0f;
    ASSERT_EQ(0, druvex_sdk_set_frame_options(&timed));
    const uint64_t second_handle = sensor_handle + 1;
    for (const auto& packet : first.info_packets()) session.send(sensor_handle, packet);
    for (const auto& packet : second.info_packets()) session.send(second_handle, packet);
    const uint64_t dropped_before = PointBudget::instance().dropped();
    auto send_both = [&](int packets) {
        for (int k = 0; k < packets; ++k) {
            for (auto [sim, handle] :
                 {std::pair{&first, sensor_handle}, {&second, second_handle}}) {
                const SimDataPacket packet = sim->next_data_packet();
                EXPECT_EQ(0, session.send(handle, packet.bytes, packet.host_time_us));
            }
        }
    };
    send_both(12);
    EXPECT_GT(PointBudget::instance().dropped(), dropped_before);
    EXPECT_LE(PointBudget::instance().held(), 3000u);
    EXPECT_GT(held_bytes(second_handle), 0u);
    ASSERT_EQ(1u, session.errors.size());
    EXPECT_EQ(DRUVEX_ERROR_OUT_OF_MEMORY, session.errors[0].code);
    EXPECT_NE(std::string::npos, session.errors[0].message.find("frame point limit of 3000"));

    const uint64_t third_handle = sensor_handle + 2;
    SensorSim third{SimOptions{}};
    EXPECT_TRUE(druvex::testing::wait_until([&] {
        session.send(third_handle, third.info_packets()[0]);
        return PointBudget::instance().held() == 0;
    }));
    EXPECT_EQ(0u, held_bytes(sensor_handle) + held_bytes(second_handle));
    session.forget();
    send_both(1);
    EXPECT_GT(PointBudget::instance().held(), 0u);
    EXPECT_TRUE(session.errors.empty());
}

}  // namespace
