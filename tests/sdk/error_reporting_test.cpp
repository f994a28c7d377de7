// Tests of error codes, SensorError and the thread-local last error.
#include <thread>

#include "core/error_queue.h"
#include "core/sdk_manager.h"
#include "sdk_test_support.h"

using druvex_test::SdkTest;
using druvex_test::take_error;

TEST(ErrorCodes, NamesAndClassification) {
    EXPECT_STREQ(druvex_get_error_code_name(0), "DRUVEX_SUCCESS");
    EXPECT_STREQ(druvex_get_error_code_name(-8), "DRUVEX_ERROR_INVALID_ARGUMENTS");
    EXPECT_STREQ(druvex_get_error_code_name(-15), "DRUVEX_ERROR_EOF");
    EXPECT_STREQ(druvex_get_error_code_name(-1008), "DRUVEX_FAULT_DETECTOR_MALFUNCTION");
    EXPECT_STREQ(druvex_get_error_code_name(-3), "");
    EXPECT_STREQ(druvex_get_error_code_name(1), "");
    EXPECT_STREQ(druvex_get_error_code_name(-1009), "");

    EXPECT_EQ(druvex_is_error_code(-1), 1);
    EXPECT_EQ(druvex_is_error_code(-999), 1);
    EXPECT_EQ(druvex_is_error_code(-1000), 0);
    EXPECT_EQ(druvex_is_error_code(0), 0);
    EXPECT_EQ(druvex_is_fault_code(-1000), 1);
    EXPECT_EQ(druvex_is_fault_code(-1008), 1);
    EXPECT_EQ(druvex_is_fault_code(-1009), 0);
    EXPECT_EQ(druvex_is_fault_code(-8), 0);
}

TEST(SensorErrorValue, FormatsAndMoves) {
    using druvex_sdk::SensorError;
    EXPECT_STREQ(SensorError().what(), "DRUVEX_SUCCESS");
    EXPECT_STREQ(SensorError(-8).what(), "DRUVEX_ERROR_INVALID_ARGUMENTS");
    EXPECT_STREQ(SensorError(-6, "Must disable networking!").what(),
                 "DRUVEX_ERROR_COMMUNICATION: Must disable networking!");

    // Over-long detail texts are cut, never overflow.
    const std::string long_message(5000, 'x');
    SensorError long_error(-1, long_message.c_str());
    EXPECT_EQ(std::string(long_error.what()).size(), 1023u);
    EXPECT_EQ(long_error.message, long_message);

    SensorError source(-12, "disk full");
    SensorError moved(std::move(source));
    EXPECT_EQ(moved.code, -12);
    EXPECT_EQ(moved.message, "disk full");
    EXPECT_STREQ(moved.what(), "DRUVEX_ERROR_FILE_IO: disk full");
    EXPECT_TRUE(source.message.empty());
    EXPECT_STREQ(source.what(), "DRUVEX_ERROR_FILE_IO: disk full");
}

TEST_F(SdkTest, FailureStaysUntilFetched) {
    // A failing call, then a successful one: the failure is returned again.
    EXPECT_EQ(druvex_sdk_set_frame_options(nullptr), DRUVEX_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(take_error().code, DRUVEX_ERROR_NOT_INITIALIZED);
    initialize_offline();
    DruvexSDKFrameOptions bad = druvex_sdk_create_frame_options();
    bad.mode = 7;
    EXPECT_EQ(druvex_sdk_set_frame_options(&bad), -8);
    DruvexSDKFrameOptions good = druvex_sdk_create_frame_options();
    EXPECT_EQ(druvex_sdk_set_frame_options(&good), -8);

    auto first = take_error();
    EXPECT_EQ(first.code, -8);
    EXPECT_EQ(first.text, "DRUVEX_ERROR_INVALID_ARGUMENTS: Invalid frame mode!");
    auto second = take_error();
    EXPECT_EQ(second.code, 0);
    EXPECT_EQ(second.text, "DRUVEX_SUCCESS");
    EXPECT_EQ(druvex_sdk_set_frame_options(&good), 0);
}

TEST_F(SdkTest, NewerFailureReplacesOlderAndEmptyMessageGivesBareName) {
    initialize_offline();
    EXPECT_EQ(druvex_sdk_set_control_flags(0x10, 0x10), -8);
    DruvexSDKOptions options = druvex_test::offline_options();
    EXPECT_EQ(druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, nullptr, nullptr), -9);
    auto error = take_error();
    EXPECT_EQ(error.code, -9);
    EXPECT_EQ(error.text, "DRUVEX_ERROR_ALREADY_INITIALIZED");
}

TEST_F(SdkTest, LastErrorIsPerThread) {
    EXPECT_EQ(druvex_sdk_listen_raw_frames(nullptr, nullptr), -10);
    std::thread other([] {
        EXPECT_EQ(take_error().code, 0);
        EXPECT_EQ(druvex_sdk_set_port(9000), -10);
        DruvexSDKOptions options = druvex_test::offline_options();
        EXPECT_EQ(druvex_sdk_initialize(16, &options, nullptr, nullptr), -5);
    });
    other.join();
    auto error = take_error();
    EXPECT_EQ(error.code, -10);
    EXPECT_EQ(error.text, "DRUVEX_ERROR_NOT_INITIALIZED");
}

namespace {

struct Delivered {
    uint64_t handle;
    int32_t code;
    std::string message;
    std::vector<uint8_t> data;
};

void record_error(uint64_t handle, int32_t code, const char* message, const void* data, size_t size,
                  void* user) {
    auto* out = static_cast<std::vector<Delivered>*>(user);
    const auto* bytes = static_cast<const uint8_t*>(data);
    out->push_back({handle, code, message, std::vector<uint8_t>(bytes, bytes + size)});
}

}  // namespace

TEST_F(SdkTest, QueuedErrorsReachTheCallbackInOrderOnce) {
    // Queued while no callback is registered: discarded at the next dispatch.
    druvex_sdk::queue_error(1, -6, "lost");
    druvex_sdk::SdkManager::dispatch_errors();
    EXPECT_EQ(druvex_sdk::queued_error_count(), 0u);

    std::vector<Delivered> delivered;
    DruvexSDKOptions options = druvex_test::offline_options();
    ASSERT_EQ(druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, record_error, &delivered), 0);
    druvex_sdk::queue_error(7, DRUVEX_FAULT_EXTREME_TEMPERATURE, "hot", {1, 2, 3, 4});
    druvex_sdk::queue_error(8, -6, "");
    druvex_sdk::SdkManager::dispatch_errors();
    druvex_sdk::SdkManager::dispatch_errors();

    ASSERT_EQ(delivered.size(), 2u);
    EXPECT_EQ(delivered[0].handle, 7u);
    EXPECT_EQ(delivered[0].code, -1001);
    EXPECT_EQ(delivered[0].message, "hot");
    EXPECT_EQ(delivered[0].data, (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(delivered[1].handle, 8u);
    EXPECT_TRUE(delivered[1].data.empty());

    // The queue outlives deinitialisation, which only drops the callback.
    druvex_sdk::queue_error(9, -6, "kept");
    druvex_sdk_deinitialize();
    EXPECT_EQ(druvex_sdk::queued_error_count(), 1u);
}

namespace {

void queue_another(uint64_t handle, int32_t, const char*, const void*, size_t, void* user) {
    static_cast<std::vector<uint64_t>*>(user)->push_back(handle);
    if (handle == 1) druvex_sdk::queue_error(2, -6, "raised while reporting");
}

}  // namespace

// An error callback that leads to a new queued error must not deadlock; the new
// record waits for the next dispatch.
TEST_F(SdkTest, CallbackMayQueueAnotherError) {
    std::vector<uint64_t> seen;
    DruvexSDKOptions options = druvex_test::offline_options();
    ASSERT_EQ(druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, queue_another, &seen), 0);
    druvex_sdk::queue_error(1, -6, "first");
    druvex_sdk::SdkManager::dispatch_errors();
    EXPECT_EQ(seen, (std::vector<uint64_t>{1}));
    EXPECT_EQ(druvex_sdk::queued_error_count(), 1u);
    druvex_sdk::SdkManager::dispatch_errors();
    EXPECT_EQ(seen, (std::vector<uint64_t>{1, 2}));
    EXPECT_EQ(druvex_sdk::queued_error_count(), 0u);
}
