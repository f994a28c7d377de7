// The application's views and the routing of frames to them.
#include "view_lists.h"

#include <algorithm>

namespace druvex {

std::vector<View*> ViewLists::get_views() const {
    std::vector<View*> views;
    views.reserve(drawn_count());
    for (const auto& v : group_views) views.push_back(v.get());
    for (const auto& v : single_views) views.push_back(v.get());
    return views;
}

View* ViewLists::view_at(size_t index) const {
    if (index < group_views.size()) return group_views[index].get();
    index -= group_views.size();
    return index < single_views.size() ? single_views[index].get() : nullptr;
}

View* ViewLists::first_view() const { return view_at(0); }

bool ViewLists::is_first_view(const View* view) const { return view == first_view(); }

namespace {

bool offer(const std::vector<std::unique_ptr<View>>& views, const DruvexSensorInformation& info,
           std::unique_ptr<StreamFrame>& frame, const FrameArrival& arrival) {
    for (const auto& view : views) {
        if (view->on_frame(info, frame, arrival)) return true;
    }
    return false;
}

}  // namespace

void ViewLists::hand_off(bool enable_transforms, const DruvexSensorInformation& info,
                         int64_t time_us, size_t n, const DruvexSensorRawPointWithTime* points,
                         const FrameArrival& arrival) {
    hand_off(enable_transforms, info, std::make_unique<StreamFrame>(time_us, n, points), arrival);
}

void ViewLists::hand_off(bool enable_transforms, const DruvexSensorInformation& info,
                         std::unique_ptr<StreamFrame> frame, const FrameArrival& arrival) {
    if (enable_transforms) {
        for (size_t i = 0; i < group_views.size(); ++i) {
            const bool last = i + 1 == group_views.size();
            std::unique_ptr<StreamFrame> own =
                last ? std::move(frame) : std::make_unique<StreamFrame>(*frame);
            group_views[i]->on_frame(info, own, arrival);
        }
        return;
    }
    if (offer(single_views, info, frame, arrival) || offer(new_views, info, frame, arrival)) return;
    // A fresh view takes the first sensor that reaches it.
    new_views.push_back(std::make_unique<View>(host_, nullptr, 0));
    new_views.back()->on_frame(info, frame, arrival);
}

bool ViewLists::maintain(const ViewerConfig& config) {
    for (View* view : get_views()) view->refresh_streams();
    return config.enable_transforms ? maintain_group(config) : maintain_single(config);
}

bool ViewLists::maintain_single(const ViewerConfig& config) {
    group_views.clear();
    for (auto& view : new_views) {
        view->set_config(config.single_stream);
        single_views.push_back(std::move(view));
    }
    new_views.clear();
    // Keep the views that show a sensor; keep one view in any case.
    std::vector<std::unique_ptr<View>> kept;
    for (auto& view : single_views) {
        if (!view->accepting_new_stream()) kept.push_back(std::move(view));
    }
    if (kept.empty() && !single_views.empty()) kept.push_back(std::move(single_views.front()));
    single_views = std::move(kept);
    if (!single_views.empty()) return false;
    single_views.push_back(std::make_unique<View>(host_, &config.single_stream, 0));
    return true;
}

bool ViewLists::maintain_group(const ViewerConfig& config) {
    new_views.clear();
    single_views.clear();
    bool created = false;
    while (group_views.size() < config.n_streams) {
        const size_t i = group_views.size();
        const ViewConfig view_config =
            i < config.group_streams.size() ? config.group_streams[i] : ViewConfig();
        group_views.push_back(std::make_unique<View>(host_, &view_config, 1));
        created = true;
    }
    if (group_views.size() > config.n_streams) group_views.resize(config.n_streams);
    return created;
}

void ViewLists::layout(int width, int height, float pixel_ratio) {
    const int n = static_cast<int>(drawn_count());
    // A minimised window has no area to share; keep the last layout.
    if (width <= 0 || height <= 0) return;
    const Eigen::Vector2i shape = compute_grid_shape(width, height, n);
    grid_columns = shape.x();
    grid_rows = shape.y();
    const std::vector<View*> views = get_views();
    for (int i = 0; i < n; ++i) {
        RenderConfig& camera = views[static_cast<size_t>(i)]->renderer.camera();
        camera.set_grid_viewport(width, height, i, n, pixel_ratio);
    }
}

View* ViewLists::view_under(int x, int y, int window_width, int window_height) const {
    if (x < 0 || y < 0 || x >= window_width || y >= window_height) return first_view();
    const int index =
        (grid_rows * y / window_height) * grid_columns + (x * grid_columns) / window_width;
    return view_at(static_cast<size_t>(index));
}

void ViewLists::delete_all() {
    new_views.clear();
    single_views.clear();
    group_views.clear();
}

}  // namespace druvex
