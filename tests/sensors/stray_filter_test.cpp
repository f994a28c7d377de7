// The stray filter over calibrated points of one or more channels.
#include <gtest/gtest.h>

#include <vector>

#include "sensors/stray_filter.h"

using druvex_sdk::stray_filter;

namespace {

using Image = DruvexSensorImagePoint;

std::vector<Image> channel_points(std::initializer_list<float> distances) {
    std::vector<Image> points;
    for (float d : distances) {
        Image p{};
        p.distance = d;
        p.flags = d > 0 ? DRUVEX_POINT_FLAG_VALID : 0;
        points.push_back(p);
    }
    return points;
}

std::vector<bool> validity(const std::vector<Image>& points) {
    std::vector<bool> v;
    for (const auto& p : points) v.push_back(p.flags & DRUVEX_POINT_FLAG_VALID);
    return v;
}

TEST(StrayFilter, LonePointAmongDistantNeighboursIsDropped) {
    auto points = channel_points({5, 6, 30, 7, 8});
    stray_filter({2, 10.0f, 1, 1}, 5, points.data());
    EXPECT_EQ((std::vector<bool>{true, true, false, true, true}), validity(points));
}

TEST(StrayFilter, TwoPointsFiveMetresApartKeepEachOther) {
    auto points = channel_points({5, 10});
    stray_filter({2, 10.0f, 1, 1}, 2, points.data());
    EXPECT_EQ((std::vector<bool>{true, true}), validity(points));
}

TEST(StrayFilter, OnlyValidNeighboursCloserThanTheThresholdSupport) {
    auto points = channel_points({1, 40, 49});
    stray_filter({2, 10.0f, 1, 1}, 3, points.data());
    EXPECT_EQ((std::vector<bool>{false, true, true}), validity(points));
    auto chain = channel_points({100, 1, 12, 2});
    stray_filter({2, 10.0f, 1, 1}, 4, chain.data());
    EXPECT_EQ((std::vector<bool>{false, true, false, true}), validity(chain));
}

TEST(StrayFilter, ChannelsAreFilteredApartAndReturnsSupportEachOther) {
    // Two channels, two returns: measurement m of channel c at (m * 2 + c) * 2.
    std::vector<Image> points(8);
    const float d[8] = {5, 0, 50, 0, 6, 0, 90, 51};
    for (int i = 0; i < 8; ++i) {
        points[i].distance = d[i];
        points[i].flags = d[i] > 0 ? DRUVEX_POINT_FLAG_VALID : 0;
    }
    stray_filter({2, 10.0f, 2, 2}, 8, points.data());
    EXPECT_EQ((std::vector<bool>{true, false, true, false, true, false, false, true}),
              validity(points));
}

TEST(StrayFilter, NoChannelsMeansNothingToDo) {
    auto points = channel_points({1, 100});
    stray_filter({2, 10.0f, 0, 1}, 2, points.data());
    EXPECT_EQ((std::vector<bool>{true, true}), validity(points));
}

}  // namespace
