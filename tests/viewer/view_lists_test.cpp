// Tests of the view lists and the routing of frames to views.
#include "view/view_lists.h"
#include "fake_view_host.h"
#include "view/frame_mailbox.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace druvex {
namespace {

using testing::FakeViewHost;
using testing::raw_frame;
using testing::sensor_info;

class ViewListsTest : public ::testing::Test {
protected:
    void hand_off(uint64_t handle, bool transforms = false) {
        const auto points = raw_frame(2, 1);
        lists_.hand_off(transforms, sensor_info(handle), host_.now_us, points.size(),
                        points.data());
    }
    void add_views(size_t groups, size_t singles) {
        for (size_t i = 0; i < groups; ++i)
            lists_.group_views.push_back(std::make_unique<View>(&host_, nullptr, 1));
        for (size_t i = 0; i < singles; ++i)
            lists_.single_views.push_back(std::make_unique<View>(&host_, nullptr, 0));
    }
    Eigen::Vector4i viewport(size_t i) {
        const RenderConfig c = lists_.view_at(i)->renderer.get_config();
        return {c.viewport_x, c.viewport_y, c.viewport_width, c.viewport_height};
    }

    FakeViewHost host_;
    ViewLists lists_{&host_};
    ViewerConfig config_;
};

TEST_F(ViewListsTest, DrawOrderAndFirstView) {
    EXPECT_TRUE(lists_.is_first_view(nullptr));
    add_views(1, 2);
    lists_.new_views.push_back(std::make_unique<View>(&host_, nullptr, 0));
    EXPECT_EQ(lists_.view_at(0), lists_.group_views[0].get());
    EXPECT_EQ(lists_.view_at(2), lists_.single_views[1].get());
    EXPECT_EQ(lists_.view_at(3), nullptr);
    EXPECT_EQ(lists_.get_views().size(), 3u);
    EXPECT_FALSE(lists_.is_first_view(nullptr));
    lists_.group_views.clear();
    EXPECT_TRUE(lists_.is_first_view(lists_.single_views[0].get()));
}

TEST_F(ViewListsTest, UnknownSensorGetsExactlyOneNewView) {
    hand_off(1);
    hand_off(1);
    ASSERT_EQ(lists_.new_views.size(), 1u);
    hand_off(2);
    EXPECT_EQ(lists_.new_views.size(), 2u);
    EXPECT_EQ(lists_.new_views[0]->pending_streams().at(1)->incoming_count(), 2u);
}

TEST_F(ViewListsTest, GroupModeOffersFramesToEveryGroupView) {
    hand_off(1, true);  // no group views yet: dropped silently
    EXPECT_TRUE(lists_.new_views.empty());
    add_views(2, 0);
    hand_off(1, true);
    for (const auto& view : lists_.group_views) EXPECT_EQ(view->pending_streams().size(), 1u);
}

TEST_F(ViewListsTest, SingleModeKeepsViewsWithSensorsAndAtLeastOne) {
    config_.enable_transforms = false;
    add_views(2, 0);
    EXPECT_TRUE(lists_.maintain(config_));  // an empty single view is made
    EXPECT_TRUE(lists_.group_views.empty());
    ASSERT_EQ(lists_.single_views.size(), 1u);
    hand_off(1);
    hand_off(2);  // the single view took sensor 1, so 2 gets a new view
    EXPECT_EQ(lists_.new_views.size(), 1u);
    EXPECT_FALSE(lists_.maintain(config_));
    EXPECT_EQ(lists_.single_views.size(), 2u);
    EXPECT_TRUE(lists_.new_views.empty());
    for (auto& view : lists_.single_views) view->remove_streams();
    lists_.maintain(config_);
    EXPECT_EQ(lists_.single_views.size(), 1u);
}

TEST_F(ViewListsTest, GroupModeFollowsTheViewCount) {
    config_.n_streams = 3;
    config_.group_streams.resize(1);
    config_.group_streams[0].caption = "front";
    add_views(0, 1);
    EXPECT_TRUE(lists_.maintain(config_));
    ASSERT_EQ(lists_.group_views.size(), 3u);
    EXPECT_TRUE(lists_.single_views.empty());
    EXPECT_EQ(lists_.group_views[0]->config.caption, "front");
    config_.n_streams = 1;
    EXPECT_FALSE(lists_.maintain(config_));
    EXPECT_EQ(lists_.group_views.size(), 1u);
}

TEST(GridShapeTest, ColumnsAndRows) {
    EXPECT_EQ(compute_grid_shape(1600, 900, 1), Eigen::Vector2i(1, 1));
    EXPECT_EQ(compute_grid_shape(1600, 900, 3), Eigen::Vector2i(3, 1));
    EXPECT_EQ(compute_grid_shape(1600, 900, 4), Eigen::Vector2i(2, 2));
    EXPECT_EQ(compute_grid_shape(1920, 1080, 6), Eigen::Vector2i(3, 2));
    EXPECT_EQ(compute_grid_shape(1000, 1000, 5), Eigen::Vector2i(2, 3));
    EXPECT_EQ(compute_grid_shape(1000, 1000, 0), Eigen::Vector2i(0, 0));
}

TEST_F(ViewListsTest, LayoutPlacesViewsFromTheTopLeft) {
    add_views(4, 0);
    lists_.layout(1600, 900, 1.0f);
    EXPECT_EQ(viewport(0), Eigen::Vector4i(0, 450, 800, 450));
    EXPECT_EQ(viewport(2), Eigen::Vector4i(0, 0, 800, 450));
    EXPECT_EQ(viewport(3), Eigen::Vector4i(800, 0, 800, 450));
    lists_.layout(0, 0, 1.0f);  // minimised: the layout stays
    EXPECT_EQ(viewport(3), Eigen::Vector4i(800, 0, 800, 450));
}

TEST_F(ViewListsTest, ActiveViewUnderTheMouse) {
    add_views(0, 5);
    lists_.layout(1000, 1000, 1.0f);
    EXPECT_EQ(lists_.view_under(-1, 5, 1000, 1000), lists_.view_at(0));
    EXPECT_EQ(lists_.view_under(600, 10, 1000, 1000), lists_.view_at(1));
    EXPECT_EQ(lists_.view_under(100, 900, 1000, 1000), lists_.view_at(4));
    EXPECT_EQ(lists_.view_under(900, 900, 1000, 1000), nullptr);  // the empty sixth tile
}

// Frames wait in the mailbox, oldest first, until the GUI thread takes them;
// a sensor whose frames nobody takes keeps only its newest ones, and the
// others' frames are not touched.
TEST(FrameMailboxTest, KeepsTheNewestFramesOfASensorNobodyTakes) {
    FrameMailbox mailbox;
    const auto points = raw_frame(2, 1);
    const size_t limit = FrameMailbox::max_waiting_per_sensor;
    for (int64_t t = 0; t < int64_t(limit) + 50; ++t) {
        mailbox.post(sensor_info(1),
                     std::make_unique<StreamFrame>(t, points.size(), points.data()));
        if (t % 40 == 0)
            mailbox.post(sensor_info(2),
                         std::make_unique<StreamFrame>(t, points.size(), points.data()));
    }
    std::vector<FrameMailbox::Entry> taken;
    mailbox.take(taken);
    std::vector<int64_t> first, second;
    for (const FrameMailbox::Entry& entry : taken)
        (entry.info.handle == 1 ? first : second).push_back(entry.frame->time_us());
    ASSERT_EQ(first.size(), limit);
    EXPECT_EQ(first.front(), 50);
    EXPECT_TRUE(std::is_sorted(first.begin(), first.end()));
    EXPECT_EQ(second, (std::vector<int64_t>{0, 40, 80, 120}));

    mailbox.post(sensor_info(1), std::make_unique<StreamFrame>(7, points.size(), points.data()));
    mailbox.clear();
    mailbox.take(taken);
    EXPECT_TRUE(taken.empty());
}

}  // namespace
}  // namespace druvex
