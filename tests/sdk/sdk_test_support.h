// Shared helpers for tests of the exported API.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "druvex_sdk.h"

namespace druvex_test {

// Options that keep the SDK off the network, so tests may run in parallel.
inline DruvexSDKOptions offline_options() {
    DruvexSDKOptions options = druvex_sdk_create_options();
    options.control_flags = DRUVEX_SDK_CONTROL_DISABLE_NETWORK;
    return options;
}

struct LastError {
    int32_t code;
    std::string text;
};

inline LastError take_error() {
    const char* text = nullptr;
    const int32_t code = druvex_sdk_get_error(&text);
    return {code, text != nullptr ? text : "<null>"};
}

// Every test starts and ends with a deinitialised SDK and a clean last error.
class SdkTest : public ::testing::Test {
protected:
    void SetUp() override {
        druvex_sdk_deinitialize();
        take_error();
    }
    void TearDown() override {
        druvex_sdk_deinitialize();
        take_error();
    }
    void initialize_offline() {
        DruvexSDKOptions options = offline_options();
        ASSERT_EQ(druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, nullptr, nullptr), 0);
    }
};

}  // namespace druvex_test
