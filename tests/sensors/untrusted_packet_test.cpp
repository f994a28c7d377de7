// Packets from the network are untrusted: every prefix of every packet kind,
// hostile counts and scales must be handled without reading past the packet
// (the sanitizer build catches any such read) and without effect where the
// packet is too short to mean anything.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "packet_builder.h"
#include "sdk_session.h"
#include "sensor_sim.h"
#include "sensors/sensor_manager.h"

using namespace druvex_test;

namespace {

constexpr uint64_t known = 0x0A000001;
constexpr uint64_t unknown = 0x0A000002;

// Sends the first `length` bytes of `packet` in a buffer of exactly that size.
void send_prefix(SdkSession& session, uint64_t handle, const Bytes& packet, size_t length) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[length == 0 ? 1 : length]);
    std::memcpy(exact.get(), packet.data(), length);
    session.send(handle, length == 0 ? nullptr : exact.get(), length);
}

struct Kind {
    const char* magic;
    size_t min_size;
};

// A full packet of each kind, from a model-5 sensor that sends its large
// information in halves.
Bytes full_packet(const std::string& magic, druvex_sim::SensorSim& sim) {
    const auto halves = sim.info_packets();
    Bytes p = magic == "INF2"   ? halves[1]
              : magic[2] == 'F' ? halves[0]
                                : sim.next_data_packet().bytes;
    p.resize(std::max<size_t>(p.size(), 2000), 0);  // room for every prefix swept
    std::memcpy(p.data(), magic.data(), 4);
    return p;
}

TEST(UntrustedPackets, EveryPrefixOfEveryKindUpToItsMinimumSizePlusOne) {
    const Kind kinds[] = {{"INFO", 184}, {"INFX", 184}, {"INF1", 184}, {"INF2", 832},
                          {"STDT", 30},  {"STDP", 31},  {"STDR", 33},  {"STDQ", 35}};
    druvex_sim::SimOptions options;
    options.info = druvex_sim::InfoKind::two_part;
    druvex_sim::SensorSim sim(options);
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.magic);
        SdkSession session(DRUVEX_SDK_CONTROL_USE_PACKET_TIME);
        const Bytes packet = full_packet(kind.magic, sim);
        session.send(known, sim.info_packets()[0]);  // a first half waits
        for (size_t length = 0; length <= kind.min_size + 1; ++length) {
            send_prefix(session, unknown, packet, length);
            send_prefix(session, known, packet, length);
        }
        session.send(known, nullptr, 0);
        for (const auto& e : session.errors) EXPECT_EQ(DRUVEX_ERROR_COMMUNICATION, e.code);
    }
}

TEST(UntrustedPackets, ShortInformationIsRefusedWithACommunicationError) {
    SdkSession session;
    Bytes info = bare_info("V6.1");
    send_prefix(session, unknown, info, 183);
    session.send(unknown, nullptr, 0);
    EXPECT_EQ(0, druvex_sdk_get_n_sensors());
    ASSERT_EQ(1u, session.errors.size());
    EXPECT_EQ(DRUVEX_ERROR_COMMUNICATION, session.errors[0].code);
    EXPECT_EQ(unknown, session.errors[0].handle);
    send_prefix(session, unknown, info, 184);
    EXPECT_EQ(1, druvex_sdk_get_n_sensors());
}

TEST(UntrustedPackets, ShortSecondHalfContributesOnlyWhatItCarries) {
    druvex_sim::SimOptions options;
    options.info = druvex_sim::InfoKind::two_part;
    const auto halves = druvex_sim::SensorSim(options).info_packets();
    SdkSession session;
    session.send(known, halves[0]);
    send_prefix(session, known, halves[1], 768);
    EXPECT_EQ(1, druvex_sdk_get_n_sensors());
}

TEST(UntrustedPackets, ReturnCountBeyondTwoIsLimited) {
    SdkSession session(DRUVEX_SDK_CONTROL_ENABLE_MULTIPLE_RETURNS |
                       DRUVEX_SDK_CONTROL_USE_PACKET_TIME);
    druvex_sim::SimOptions options;
    options.info = druvex_sim::InfoKind::infx;
    options.infx_return_count = 255;
    options.layout = druvex_sim::Layout::stdq;
    druvex_sim::SensorSim sim(options);
    session.send(known, sim.info_packets()[0]);
    DruvexSensorInformation info{};
    druvex_sdk_get_sensor_information(known, &info);
    EXPECT_EQ(2, info.return_count);
    const auto packet = sim.next_data_packet();
    session.send(known, packet.bytes);
    EXPECT_EQ(2 * session.raw.size(), session.image.size());
}

TEST(UntrustedPackets, ChannelCountsOutsideTheLaserTableAreHarmless) {
    SdkSession session(DRUVEX_SDK_CONTROL_USE_PACKET_TIME | DRUVEX_SDK_CONTROL_ENABLE_STRAY_FILTER);
    session.send(known, bare_info("V6.1"));
    DruvexCalibration calibration{};
    druvex_sdk_get_calibration(known, &calibration);
    for (uint16_t channels : {0, 1000}) {
        calibration.channel_count = channels;
        calibration.model = 3;  // runs the saturation pass too
        ASSERT_EQ(0, druvex_sdk_set_calibration(known, &calibration));
        session.forget();
        Bytes packet = data_packet("STDP", 1, 36, 9);
        for (size_t i = 0; i < 36; ++i) {
            put<uint32_t>(packet, 22 + 9 * i + 4, 0x00101000u | 5000u);
            put<uint8_t>(packet, 22 + 9 * i + 8, 255);  // power level 255
        }
        session.send(known, packet);
        ASSERT_EQ(36u, session.image.size());
        for (size_t i = 0; i < 36; ++i) {
            const bool in_table = session.raw[i].channel_id < DRUVEX_SDK_MAX_LASER_COUNT;
            if (!in_table) {
                EXPECT_EQ(0, session.image[i].flags & DRUVEX_POINT_FLAG_VALID);
            }
            EXPECT_EQ(1.0f, session.image[i].intensity);
        }
        if (channels == 0) {
            EXPECT_EQ(0, session.raw[35].channel_id);
        }
    }
}

TEST(UntrustedPackets, DatagramsLargerThanUdpAllowsAreDropped) {
    SdkSession session(DRUVEX_SDK_CONTROL_USE_PACKET_TIME);
    session.send(known, bare_info("V6.1"));
    const Bytes huge = data_packet("STDT", 1, 9000, 8);
    session.send(known, huge);
    EXPECT_TRUE(session.raw.empty());
    Bytes big_info = bare_info("V6.1");
    big_info.resize(70000);
    session.send(unknown, big_info);
    EXPECT_EQ(1, druvex_sdk_get_n_sensors());
}

}  // namespace
