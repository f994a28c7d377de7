// View: taking frames, keeping streams current and drawing.
#include "view.h"

#include "cluster_set_names.h"
#include "render/lines_renderer.h"
#include "view_host.h"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <spdlog/spdlog.h>

#include <ctime>

namespace druvex {

View::View(ViewHost* app_, const ViewConfig* config_, int group_view_)
    : app(app_),
      logger(spdlog::get("gui")),
      group_view(group_view_),
      renderer(app_->nvg_context(), nullptr) {
    reset();
    if (config_ != nullptr) {
        config = *config_;
        renderer.set_config(*config_);
    }
    panel = app->make_view_panel(*this);
}

View::~View() {
    // The panel's rows point into the view.
    panel.reset();
    release_cluster_grid();
    if (!name.empty()) release_cluster_set_name(name);
}

bool View::on_frame(const DruvexSensorInformation& info, int64_t time_us, size_t n,
                    const DruvexSensorRawPointWithTime* points, const FrameArrival& arrival) {
    auto frame = std::make_unique<StreamFrame>(time_us, n, points);
    return on_frame(info, frame, arrival);
}

bool View::on_frame(const DruvexSensorInformation& info, std::unique_ptr<StreamFrame>& frame,
                    const FrameArrival& arrival) {
    const uint64_t handle = info.handle;
    std::lock_guard<std::mutex> lock(mutex);
    SensorStream* stream = nullptr;
    if (auto it = streams.find(handle); it != streams.end()) {
        stream = it->second.get();
    } else if (auto pending = pending_streams.find(handle); pending != pending_streams.end()) {
        stream = pending->second.get();
    } else {
        if (!accepting_new_stream && group_view != 1) return false;
        accepting_new_stream = false;
        auto created = std::make_unique<SensorStream>(this, &info);
        stream = created.get();
        pending_streams[handle] = std::move(created);
    }
    push_stream_frame(*stream, std::move(frame), arrival);
    if (name.empty()) name = claim_cluster_set_name(handle);
    return true;
}

void View::refresh_streams() {
    std::lock_guard<std::mutex> lock(mutex);
    bool changed = false;
    for (auto& [handle, stream] : streams) update_stream_status(*stream);
    if (!pending_streams.empty()) {
        for (auto& [handle, stream] : pending_streams) streams[handle] = std::move(stream);
        pending_streams.clear();
        changed = true;
    }
    // A sensor silent for about two seconds, counted against the newest data
    // of any sensor, is gone; with no data at all nothing ages.
    const int64_t limit = app->last_data_time() - 1;
    for (auto it = streams.begin(); it != streams.end();) {
        if (it->second->last_push_time < limit) it->second->alive = false;
        if (!it->second->alive) {
            it = streams.erase(it);
            changed = true;
        } else {
            ++it;
        }
    }
    accepting_new_stream = streams.empty();
    if (changed) rebuild_pending = true;
}

void View::update() {
    if (panel) panel->refresh();
    update_title();
    process_frame();
    renderer.draw_ground_grid();
    renderer.draw_points();
    renderer.draw_highlight();
    renderer.draw_measure();
    if (!name.empty()) {
        renderer.draw_named(name.c_str());
        renderer.draw_named((name + "2").c_str());
    }
    renderer.draw_title();
    for (auto& [handle, stream] : streams) stream->refresh();
}

void View::update_title() {
    if (group_view != 0) {
        renderer.title = config.caption;
    } else if (!streams.empty()) {
        renderer.title = std::to_string(streams.begin()->second->info.serial_number);
    } else {
        renderer.title.clear();
    }
}

void View::clear_frames() {
    std::lock_guard<std::mutex> lock(mutex);
    for (auto* map : {&streams, &pending_streams}) {
        for (auto& [handle, stream] : *map) stream->clear();
    }
    vertices.clear();
    if (angular_grid) angular_grid->clear();
}

void View::remove_streams() {
    std::lock_guard<std::mutex> lock(mutex);
    accepting_new_stream = true;
    rebuild_pending = true;
    streams.clear();
    pending_streams.clear();
    vertices.clear();
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
    rebuild_pending = true;
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
    handles.reserve(streams.size());
    for (const auto& [handle, stream] : streams) handles.push_back(handle);
    return handles;
}

bool View::has_stream_without_flag() const {
    for (const auto& [handle, stream] : streams) {
        if ((stream->info.flags & DRUVEX_SENSOR_FLAG_IS_CALIBRATED) == 0) return true;
    }
    return false;
}

size_t View::stream_index(uint64_t handle) const {
    size_t index = 0;
    for (const auto& [h, stream] : streams) {
        if (h == handle) return index;
        ++index;
    }
    return streams.size();
}

bool View::imu_demo_active() const { return angular_grid && app->has_imu_samples(); }

void View::release_cluster_grid() {
    cluster_grid.reset();
    if (!name.empty()) {
        clear_lines(name);
        clear_lines(name + "2");
    }
}

void View::draw_cluster_boxes(ClusterGrid& grid) {
    if (name.empty()) return;
    build_cluster_geometry(grid.clusters, box_outlines_, box_faces_);
    set_lines(name, box_outlines_);
    LinesRenderer::instance()->stage(name + "2", GL_TRIANGLE_STRIP, box_faces_.size(),
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
            for (auto& [handle, stream] : streams) stream->reset_hex_grid();
            return true;
        default: return false;
    }
}

}  // namespace druvex
