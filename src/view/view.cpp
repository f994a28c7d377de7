// View: taking frames, keeping streams current and drawing.
#include "view.h"

#include "cluster_set_names.h"
#include "render/lines_renderer.h"
#include "view_host.h"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include <ctime>

namespace druvex {

View::View(ViewHost* app, const ViewConfig* initial, int group_view)
    : renderer(app->nvg_context(), nullptr), app_(app), group_view_(group_view) {
    reset();
    if (initial != nullptr) {
        config = *initial;
        renderer.set_config(*initial);
    }
    panel_ = app_->make_view_panel(*this);
}

View::~View() {
    // The panel's rows point into the view.
    panel_.reset();
    release_cluster_grid();
    if (!name_.empty()) release_cluster_set_name(name_);
}

bool View::on_frame(const DruvexSensorInformation& info, int64_t time_us, size_t n,
                    const DruvexSensorRawPointWithTime* points, const FrameArrival& arrival) {
    auto frame = std::make_unique<StreamFrame>(time_us, n, points);
    return on_frame(info, frame, arrival);
}

bool View::on_frame(const DruvexSensorInformation& info, std::unique_ptr<StreamFrame>& frame,
                    const FrameArrival& arrival) {
    const uint64_t handle = info.handle;
    SensorStream* stream = nullptr;
    if (auto it = streams_.find(handle); it != streams_.end()) {
        stream = it->second.get();
    } else if (auto pending = pending_streams_.find(handle); pending != pending_streams_.end()) {
        stream = pending->second.get();
    } else {
        if (!accepting_new_stream_ && group_view_ != 1) return false;
        accepting_new_stream_ = false;
        auto created = std::make_unique<SensorStream>(this, &info);
        stream = created.get();
        pending_streams_[handle] = std::move(created);
    }
    stream->push_frame(std::move(frame), arrival);
    if (name_.empty()) name_ = claim_cluster_set_name(handle);
    return true;
}

void View::refresh_streams() {
    bool changed = false;
    for (auto& [handle, stream] : streams_) stream->update_status();
    if (!pending_streams_.empty()) {
        for (auto& [handle, stream] : pending_streams_) streams_[handle] = std::move(stream);
        pending_streams_.clear();
        changed = true;
    }
    // A sensor silent for about two seconds, counted against the newest data
    // of any sensor, is gone; with no data at all nothing ages.
    const int64_t limit = app_->last_data_time() - 1;
    for (auto it = streams_.begin(); it != streams_.end();) {
        if (!it->second->alive() || it->second->last_push_time() < limit) {
            it = streams_.erase(it);
            changed = true;
        } else {
            ++it;
        }
    }
    accepting_new_stream_ = streams_.empty();
    if (changed) rebuild_pending_ = true;
}

void View::update() {
    if (panel_) panel_->refresh();
    update_title();
    process_frame();
    renderer.draw_ground_grid();
    renderer.draw_points();
    renderer.draw_highlight();
    renderer.draw_measure();
    if (!name_.empty()) {
        renderer.draw_named(name_.c_str());
        renderer.draw_named((name_ + "2").c_str());
    }
    renderer.draw_title();
}

void View::update_title() {
    if (group_view_ != 0) {
        renderer.title = config.caption;
    } else if (!streams_.empty()) {
        renderer.title = std::to_string(streams_.begin()->second->info().serial_number);
    } else {
        renderer.title.clear();
    }
}

void View::clear_frames() {
    for (auto* map : {&streams_, &pending_streams_}) {
        for (auto& [handle, stream] : *map) stream->clear();
    }
    vertices_.clear();
    if (angular_grid_) angular_grid_->clear();
}

void View::remove_streams() {
    accepting_new_stream_ = true;
    rebuild_pending_ = true;
    streams_.clear();
    pending_streams_.clear();
    vertices_.clear();
    // The panorama was painted by the source that is going: the next one
    // starts its own, for its own sensor.
    angular_grid_.reset();
    clear_drawn_points();
}

void View::clear_drawn_points() {
    release_cluster_grid();
    // Nothing is drawn until the next upload.
    if (renderer.points().count() > 0) renderer.upload_points(0, nullptr);
}

void View::reset() {
    config = ViewConfig();
    renderer.reset_camera();
    rebuild_pending_ = true;
}

ViewConfig View::get_config() const {
    ViewConfig copy = config;
    static_cast<RenderConfig&>(copy) = renderer.get_config();
    return copy;
}

void View::set_config(const ViewConfig& c) {
    config = c;
    renderer.set_config(c);
}

std::vector<uint64_t> View::sensor_handles() const {
    std::vector<uint64_t> handles;
    handles.reserve(streams_.size());
    for (const auto& [handle, stream] : streams_) handles.push_back(handle);
    return handles;
}

bool View::has_stream_without_flag() const {
    for (const auto& [handle, stream] : streams_) {
        if ((stream->info().flags & DRUVEX_SENSOR_FLAG_IS_CALIBRATED) == 0) return true;
    }
    return false;
}

size_t View::stream_index(uint64_t handle) const {
    size_t index = 0;
    for (const auto& [h, stream] : streams_) {
        if (h == handle) return index;
        ++index;
    }
    return streams_.size();
}

SensorStream* View::stream(uint64_t handle) const {
    auto it = streams_.find(handle);
    return it == streams_.end() ? nullptr : it->second.get();
}

bool View::imu_demo_active() const { return angular_grid_ && app_->has_imu_samples(); }

void View::release_cluster_grid() {
    cluster_grid_.reset();
    if (!name_.empty()) {
        clear_lines(name_);
        clear_lines(name_ + "2");
    }
}

void View::draw_cluster_boxes(ClusterGrid& grid) {
    if (name_.empty()) return;
    build_cluster_geometry(grid.clusters, box_outlines_, box_faces_);
    set_lines(name_, box_outlines_);
    LinesRenderer::instance()->stage(name_ + "2", GL_TRIANGLE_STRIP, box_faces_.size(),
                                     sizeof(LineVertex), box_faces_.data(), false);
}

bool View::handle_key(int key, int modifiers) {
    constexpr float turn_step = 0.08726647f;  // 5 degrees
    const bool shift = (modifiers & GLFW_MOD_SHIFT) != 0;
    const bool control = (modifiers & GLFW_MOD_CONTROL) != 0;
    if (renderer.measuring && key == GLFW_KEY_ESCAPE) {
        renderer.measuring = false;
        return true;
    }
    if (shift) {
        if (key == GLFW_KEY_DOWN)
            renderer.zoom(0.8f);
        else if (key == GLFW_KEY_UP)
            renderer.zoom(1.2f);
        else
            return false;
        return true;
    }
    if (control) {
        switch (key) {
            case GLFW_KEY_RIGHT: renderer.pan_by_fraction(0.05f, 0.0f); return true;
            case GLFW_KEY_LEFT: renderer.pan_by_fraction(-0.05f, 0.0f); return true;
            case GLFW_KEY_DOWN: renderer.pan_by_fraction(0.0f, -0.05f); return true;
            case GLFW_KEY_UP: renderer.pan_by_fraction(0.0f, 0.05f); return true;
            default: return false;
        }
    }
    if (modifiers != 0) return false;
    switch (key) {
        case GLFW_KEY_1: renderer.set_view_front(); return true;
        case GLFW_KEY_2: renderer.set_view_top(); return true;
        case GLFW_KEY_3: renderer.set_view_side(); return true;
        case GLFW_KEY_F: renderer.toggle_flip(); return true;
        case GLFW_KEY_M: renderer.toggle_mirror(); return true;
        case GLFW_KEY_P: renderer.toggle_perspective(); return true;
        case GLFW_KEY_O: renderer.set_view_origin(); return true;
        case GLFW_KEY_RIGHT: renderer.orbit(-turn_step, 0.0f, 0.0f); return true;
        case GLFW_KEY_LEFT: renderer.orbit(turn_step, 0.0f, 0.0f); return true;
        case GLFW_KEY_DOWN: renderer.orbit(0.0f, -turn_step, 0.0f); return true;
        case GLFW_KEY_UP: renderer.orbit(0.0f, turn_step, 0.0f); return true;
        case GLFW_KEY_F5:
            for (auto& [handle, stream] : streams_) stream->reset_hex_grid();
            return true;
        default: return false;
    }
}

}  // namespace druvex
