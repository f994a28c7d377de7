// Tests of initialisation, options and control flags.
#include <cmath>
#include <cstring>

#include "sdk_test_support.h"

using druvex_test::offline_options;
using druvex_test::SdkTest;
using druvex_test::take_error;

TEST(SdkOptions, FactoriesGiveDefaults) {
    DruvexSDKFrameOptions frame = druvex_sdk_create_frame_options();
    EXPECT_EQ(frame.signature, 16u);
    EXPECT_EQ(frame.mode, 0u);
    uint32_t bits;
    std::memcpy(&bits, &frame.length, 4);
    EXPECT_EQ(bits, 0x3d4ccccdu);

    DruvexSDKOptions options = druvex_sdk_create_options();
    EXPECT_EQ(options.signature, 40u);
    EXPECT_EQ(options.control_flags, 0u);
    EXPECT_EQ(options.port, 8808);
    EXPECT_EQ(std::memcmp(&options.frame_options, &frame, sizeof frame), 0);
    const uint8_t zeros[6] = {};
    EXPECT_EQ(std::memcmp(options.padding0, zeros, 4), 0);
    EXPECT_EQ(std::memcmp(options.padding1, zeros, 6), 0);
}

TEST_F(SdkTest, InitializeRejectsBadVersionSignatureAndFlags) {
    DruvexSDKOptions options = offline_options();
    EXPECT_EQ(druvex_sdk_initialize(16, &options, nullptr, nullptr), -5);
    EXPECT_EQ(take_error().text, "DRUVEX_ERROR_SDK_VERSION_MISMATCH");

    options.signature = 39;
    EXPECT_EQ(druvex_sdk_initialize(17, &options, nullptr, nullptr), -8);
    EXPECT_EQ(take_error().text, "DRUVEX_ERROR_INVALID_ARGUMENTS");

    options = offline_options();
    options.control_flags |= 0x1;
    EXPECT_EQ(druvex_sdk_initialize(17, &options, nullptr, nullptr), -8);
    EXPECT_EQ(druvex_sdk_initialize(17, nullptr, nullptr, nullptr), -8);
    EXPECT_EQ(druvex_sdk_is_initialized(), 0);
    EXPECT_EQ(druvex_sdk_get_control_flags(), 0u);  // nothing changed

    // Every bit of the initialisation mask is accepted.
    options = offline_options();
    options.control_flags = DRUVEX_SDK_CONTROL_INIT_MASK;
    take_error();
    EXPECT_EQ(druvex_sdk_initialize(17, &options, nullptr, nullptr), 0);
    EXPECT_EQ(druvex_sdk_get_control_flags(), 0x123eu);
}

TEST_F(SdkTest, InvalidFrameOptionsLeaveSdkUninitialisedButFlagsStored) {
    struct Case {
        uint64_t signature;
        uint32_t mode;
        float length;
        const char* text;
    };
    const Case cases[] = {
        {15, 0, 0.05f, "DRUVEX_ERROR_INVALID_ARGUMENTS: Options not initialized!"},
        {16, 4, 0.05f, "DRUVEX_ERROR_INVALID_ARGUMENTS: Invalid frame mode!"},
        {16, 1, -0.1f, "DRUVEX_ERROR_INVALID_ARGUMENTS: Invalid frame length!"},
        {16, 1, NAN, "DRUVEX_ERROR_INVALID_ARGUMENTS: Invalid frame length!"},
        // A frame that never ends, or outgrows its buffer before it does.
        {16, 1, INFINITY, "DRUVEX_ERROR_INVALID_ARGUMENTS: Invalid frame length!"},
        {16, 1, 1e30f, "DRUVEX_ERROR_INVALID_ARGUMENTS: Invalid frame length!"},
    };
    for (const Case& c : cases) {
        DruvexSDKOptions options = offline_options();
        options.control_flags |= DRUVEX_SDK_CONTROL_ENABLE_STRAY_FILTER;
        options.frame_options.signature = c.signature;
        options.frame_options.mode = c.mode;
        options.frame_options.length = c.length;
        EXPECT_EQ(druvex_sdk_initialize(17, &options, nullptr, nullptr), -8);
        EXPECT_EQ(take_error().text, c.text);
        EXPECT_EQ(druvex_sdk_is_initialized(), 0);
        EXPECT_EQ(druvex_sdk_get_control_flags(), 0x22u);
    }
    // Length is only checked in the timed mode; length 0 passes.
    DruvexSDKOptions options = offline_options();
    options.frame_options.mode = 0;
    options.frame_options.length = -1.0f;
    EXPECT_EQ(druvex_sdk_initialize(17, &options, nullptr, nullptr), 0);
    DruvexSDKFrameOptions timed = druvex_sdk_create_frame_options();
    timed.mode = DRUVEX_SDK_FRAME_TIMED;
    timed.length = 0.0f;
    EXPECT_EQ(druvex_sdk_set_frame_options(&timed), 0);
    EXPECT_EQ(druvex_sdk_get_frame_mode(), 1);
    EXPECT_EQ(druvex_sdk_get_frame_length(), 0.0f);
    timed.length = 10.0f;
    EXPECT_EQ(druvex_sdk_set_frame_options(&timed), 0);
    timed.length = INFINITY;
    EXPECT_EQ(druvex_sdk_set_frame_options(&timed), DRUVEX_ERROR_INVALID_ARGUMENTS);
    EXPECT_EQ(druvex_sdk_get_frame_length(), 10.0f);
}

TEST_F(SdkTest, ControlFlagMask) {
    initialize_offline();
    EXPECT_EQ(druvex_sdk_set_control_flags(0x10, 0x10), -8);
    EXPECT_EQ(take_error().text, "DRUVEX_ERROR_INVALID_ARGUMENTS");
    EXPECT_EQ(druvex_sdk_get_control_flags(), 0x2u);
    EXPECT_EQ(druvex_sdk_set_control_flags(0x1000, 0x1000), -8);
    take_error();

    // Bits outside the mask are ignored; bits inside are set and cleared.
    EXPECT_EQ(druvex_sdk_set_control_flags(0x24, 0xffffffffu), 0);
    EXPECT_EQ(druvex_sdk_get_control_flags(), 0x26u);
    EXPECT_EQ(druvex_sdk_has_control_flag(0x20), 1);
    EXPECT_EQ(druvex_sdk_has_control_flag(0x10 | 0x4), 1);
    EXPECT_EQ(druvex_sdk_has_control_flag(0x10), 0);
    EXPECT_EQ(druvex_sdk_set_control_flags(0x20, 0), 0);
    EXPECT_EQ(druvex_sdk_get_control_flags(), 0x6u);
    EXPECT_EQ(druvex_sdk_set_control_flags(0x208, 0x208), 0);
    EXPECT_EQ(druvex_sdk_get_control_flags(), 0x20eu);
}

TEST_F(SdkTest, CallsBeforeInitialisation) {
    EXPECT_EQ(druvex_sdk_clear(), 0);  // does nothing, stores nothing
    EXPECT_EQ(druvex_sdk_set_control_flags(0x4, 0x4), -10);
    EXPECT_EQ(druvex_sdk_clear(), -10);  // returns the stored code
    EXPECT_EQ(take_error().code, -10);
    EXPECT_EQ(druvex_sdk_set_port(9100), -10);
    DruvexSDKFrameOptions frame = druvex_sdk_create_frame_options();
    EXPECT_EQ(druvex_sdk_set_frame_options(&frame), -10);
    EXPECT_EQ(druvex_sdk_get_port(), 8808);
    EXPECT_EQ(druvex_sdk_is_initialized(), 0);
}

TEST_F(SdkTest, DeinitialiseResetsFlagsButKeepsOptionsAndPort) {
    DruvexSDKOptions options = offline_options();
    options.port = 9123;
    options.frame_options.mode = DRUVEX_SDK_FRAME_FULL_SCAN;
    ASSERT_EQ(druvex_sdk_initialize(17, &options, nullptr, nullptr), 0);
    EXPECT_EQ(druvex_sdk_get_port(), 9123);
    EXPECT_EQ(druvex_sdk_set_port(9124), 0);
    EXPECT_EQ(druvex_sdk_get_port(), 9124);
    EXPECT_EQ(druvex_sdk_clear(), 0);
    EXPECT_EQ(druvex_sdk_deinitialize(), 0);
    EXPECT_EQ(druvex_sdk_is_initialized(), 0);
    EXPECT_EQ(druvex_sdk_get_control_flags(), 0u);
    EXPECT_EQ(druvex_sdk_get_frame_mode(), DRUVEX_SDK_FRAME_FULL_SCAN);
    EXPECT_EQ(druvex_sdk_get_port(), 9124);
    // Initialisation can be repeated.
    initialize_offline();
    EXPECT_EQ(druvex_sdk_get_frame_mode(), DRUVEX_SDK_FRAME_STREAMING);
}
