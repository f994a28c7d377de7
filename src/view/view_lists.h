// The application's views: one per sensor, or a fixed number that each show
// every sensor; how frames reach them, and how they share the window.
#pragma once

#include "settings/viewer_config.h"
#include "view.h"

#include <memory>
#include <vector>

namespace druvex {

class ViewHost;

class ViewLists {
public:
    explicit ViewLists(ViewHost* host) : host_(host) {}

    // Drawn views: all group views, then all single views (new views are not drawn).
    std::vector<View*> get_views() const;
    View* view_at(size_t index) const;
    View* first_view() const;
    bool is_first_view(const View* view) const;
    size_t drawn_count() const { return group_views.size() + single_views.size(); }

    // GUI thread, under the application's data mutex: the frame goes to the
    // view that takes its sensor, or to every group view (a copy each).
    void hand_off(bool enable_transforms, const DruvexSensorInformation& info,
                  std::unique_ptr<StreamFrame> frame, const FrameArrival& arrival);
    // The same for points that no frame holds yet.
    void hand_off(bool enable_transforms, const DruvexSensorInformation& info, int64_t time_us,
                  size_t n, const DruvexSensorRawPointWithTime* points,
                  const FrameArrival& arrival = FrameArrival::now());

    // GUI thread, under the data mutex: the view set for the current mode.
    // True when views were created that a paused replay should fill at once.
    bool maintain(const ViewerConfig& config);

    // Places the drawn views in a grid over the framebuffer (pixels).
    void layout(int framebuffer_width, int framebuffer_height, float pixel_ratio);
    // The view under the mouse (window units), the first view when the mouse
    // is outside the window, null over an empty tile.
    View* view_under(int mouse_x, int mouse_y, int window_width, int window_height) const;

    void delete_all();

    std::vector<std::unique_ptr<View>> new_views;
    std::vector<std::unique_ptr<View>> group_views;
    std::vector<std::unique_ptr<View>> single_views;
    int grid_columns = 0;
    int grid_rows = 0;

private:
    bool maintain_single(const ViewerConfig& config);
    bool maintain_group(const ViewerConfig& config);

    ViewHost* host_;
};

}  // namespace druvex
