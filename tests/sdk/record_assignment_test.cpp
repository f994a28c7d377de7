// Tests of the exported records' assignment operators.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "druvex_sdk.h"

template <typename T>
class RecordAssignment : public ::testing::Test {};

using Records = ::testing::Types<DruvexSDKFrameOptions, DruvexSDKOptions, DruvexSensorInformation,
                                 DruvexSensorRawPointWithTime, DruvexSensorImagePoint,
                                 DruvexSensorTransform, DruvexSensorStatistics, DruvexCalibration>;
TYPED_TEST_SUITE(RecordAssignment, Records);

// Assignments copy every byte, padding included.
TYPED_TEST(RecordAssignment, CopyAndMoveKeepEveryByte) {
    TypeParam source;
    auto* bytes = reinterpret_cast<unsigned char*>(&source);
    for (size_t i = 0; i < sizeof source; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + 3);

    TypeParam copied;
    std::memset(static_cast<void*>(&copied), 0, sizeof copied);
    copied = source;
    EXPECT_EQ(std::memcmp(&copied, &source, sizeof source), 0);

    TypeParam moved;
    std::memset(static_cast<void*>(&moved), 0, sizeof moved);
    TypeParam temporary = source;
    moved = std::move(temporary);
    EXPECT_EQ(std::memcmp(&moved, &source, sizeof source), 0);
    TypeParam& alias = moved;
    moved = alias;  // self-assignment is harmless
    EXPECT_EQ(std::memcmp(&moved, &source, sizeof source), 0);
}
