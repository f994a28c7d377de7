// Tests of the callback slots: listen, unlisten and user data.
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "core/callback.h"
#include "sdk_test_support.h"

using druvex_test::SdkTest;
using druvex_test::take_error;

namespace {

void raw_a(uint64_t, size_t, const DruvexSensorRawPointWithTime*, void* user) {
    *static_cast<int*>(user) += 1;
}
void raw_b(uint64_t, size_t, const DruvexSensorRawPointWithTime*, void* user) {
    *static_cast<int*>(user) += 100;
}
void image_cb(uint64_t, size_t, const DruvexSensorImagePoint*, void*) {}
void packet_cb(uint64_t, int64_t, const uint8_t*, size_t, void*) {}
void error_cb(uint64_t, int32_t, const char*, const void*, size_t, void*) {}

}  // namespace

TEST_F(SdkTest, SlotTakesOneFunctionUntilUnlistened) {
    initialize_offline();
    int count = 0;
    EXPECT_EQ(druvex_sdk_listen_raw_frames(raw_a, &count), 0);
    EXPECT_EQ(druvex_sdk_listen_raw_frames(raw_b, &count), -7);
    EXPECT_EQ(take_error().text, "DRUVEX_ERROR_TOO_MANY_CALLBACKS");
    druvex_sdk::raw_frames_callback().invoke(
        uint64_t{1}, size_t{0}, static_cast<const DruvexSensorRawPointWithTime*>(nullptr));
    EXPECT_EQ(count, 1);  // the first function stays

    EXPECT_EQ(druvex_sdk_unlisten_raw_frames(), 0);
    druvex_sdk::raw_frames_callback().invoke(
        uint64_t{1}, size_t{0}, static_cast<const DruvexSensorRawPointWithTime*>(nullptr));
    EXPECT_EQ(count, 1);
    EXPECT_EQ(druvex_sdk_listen_raw_frames(raw_b, &count), 0);
    druvex_sdk::raw_frames_callback().invoke(
        uint64_t{1}, size_t{0}, static_cast<const DruvexSensorRawPointWithTime*>(nullptr));
    EXPECT_EQ(count, 101);
}

TEST_F(SdkTest, NullFunctionIsRefusedEvenWhenSlotIsEmpty) {
    initialize_offline();
    EXPECT_EQ(druvex_sdk_listen_network_packet(nullptr, nullptr), -8);
    EXPECT_EQ(druvex_sdk_listen_raw_frames(nullptr, nullptr), -8);
    EXPECT_EQ(druvex_sdk_listen_image_frames(nullptr, nullptr), -8);
    EXPECT_EQ(take_error().text, "DRUVEX_ERROR_INVALID_ARGUMENTS");
}

TEST_F(SdkTest, ListenBeforeInitialisation) {
    EXPECT_EQ(druvex_sdk_listen_image_frames(image_cb, nullptr), 0);  // quietly nothing
    EXPECT_FALSE(druvex_sdk::image_frames_callback().is_set());
    EXPECT_EQ(druvex_sdk_unlisten_image_frames(), 0);
    EXPECT_EQ(druvex_sdk_listen_raw_frames(raw_a, nullptr), -10);
    EXPECT_EQ(druvex_sdk_listen_network_packet(packet_cb, nullptr), -10);
    // The quiet calls hand back whatever is stored.
    EXPECT_EQ(druvex_sdk_listen_image_frames(image_cb, nullptr), -10);
    EXPECT_EQ(druvex_sdk_unlisten_network_packet(), -10);
}

TEST_F(SdkTest, DeinitialiseEmptiesEverySlot) {
    DruvexSDKOptions options = druvex_test::offline_options();
    ASSERT_EQ(druvex_sdk_initialize(17, &options, error_cb, nullptr), 0);
    ASSERT_EQ(druvex_sdk_listen_network_packet(packet_cb, nullptr), 0);
    ASSERT_EQ(druvex_sdk_listen_raw_frames(raw_a, nullptr), 0);
    ASSERT_EQ(druvex_sdk_listen_image_frames(image_cb, nullptr), 0);
    EXPECT_TRUE(druvex_sdk::error_callback().is_set());
    ASSERT_EQ(druvex_sdk_deinitialize(), 0);
    EXPECT_FALSE(druvex_sdk::error_callback().is_set());
    EXPECT_FALSE(druvex_sdk::network_packet_callback().is_set());
    EXPECT_FALSE(druvex_sdk::raw_frames_callback().is_set());
    EXPECT_FALSE(druvex_sdk::image_frames_callback().is_set());

    ASSERT_EQ(druvex_sdk_initialize(17, &options, nullptr, nullptr), 0);
    EXPECT_FALSE(druvex_sdk::error_callback().is_set());
}

namespace {

std::atomic<int> g_running{0};
std::atomic<int> g_after_unlisten{0};
std::atomic<bool> g_unlistened{false};

void slow_raw(uint64_t, size_t, const DruvexSensorRawPointWithTime*, void*) {
    if (g_unlistened) ++g_after_unlisten;
    ++g_running;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

}  // namespace

TEST_F(SdkTest, UnlistenWaitsForARunningCall) {
    initialize_offline();
    ASSERT_EQ(druvex_sdk_listen_raw_frames(slow_raw, nullptr), 0);
    std::atomic<bool> stop{false};
    std::thread caller([&] {
        while (!stop) {
            druvex_sdk::raw_frames_callback().invoke(
                uint64_t{1}, size_t{0}, static_cast<const DruvexSensorRawPointWithTime*>(nullptr));
        }
    });
    while (g_running == 0) std::this_thread::yield();
    EXPECT_EQ(druvex_sdk_unlisten_raw_frames(), 0);
    g_unlistened = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    stop = true;
    caller.join();
    EXPECT_EQ(g_after_unlisten.load(), 0);
}
