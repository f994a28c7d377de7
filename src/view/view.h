// One on-screen picture of point data: its sensors (streams), settings,
// renderer and camera.
#pragma once

#include "angular_grid.h"
#include "clustering.h"
#include "render/line_strips.h"
#include "render/render_config.h"
#include "render/view_renderer.h"
#include "sensor_stream.h"
#include "statistic.h"
#include "view_panel.h"

#include <druvex_sdk.h>
#include <spdlog/logger.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace druvex {

class ViewHost;

// Defined over view.cpp (sensors, streams, drawing) and view_frame.cpp (collecting,
// fading and uploading the streams' points once a frame). Its Control Panel is
// a ViewPanel the host makes; the view only refreshes it.
class View {
public:
    // group_view: 0 binds the view to the first sensor that reaches it, 1 shows every sensor
    // offered.
    View(ViewHost* app, const ViewConfig* config, int group_view);
    ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // GUI thread (the SDK's threads hand frames over through the application's
    // mailbox). Whether the view took the frame; `frame` is moved from only
    // when it did.
    bool on_frame(const DruvexSensorInformation& info, std::unique_ptr<StreamFrame>& frame,
                  const FrameArrival& arrival);
    // The same for points that no frame holds yet.
    bool on_frame(const DruvexSensorInformation& info, int64_t time_us, size_t n,
                  const DruvexSensorRawPointWithTime* points,
                  const FrameArrival& arrival = FrameArrival::now());

    // GUI thread, once per drawn frame: refresh_streams before update.
    void refresh_streams();
    void update();
    bool handle_key(int key, int modifiers);

    // Builds this frame's points into `vertices` and finds the clusters;
    // false when there are no points (the renderer then keeps its previous
    // upload and boxes). No GL work.
    bool collect_points();
    // collect_points, then the upload of the points and boxes (GL thread).
    void process_frame();
    // GL thread: hands the grid's boxes to the lines renderer under `name`.
    void draw_cluster_boxes(ClusterGrid& grid);

    void clear_frames();
    void remove_streams();
    void reset();
    ViewConfig get_config() const;
    void set_config(const ViewConfig& config);

    std::vector<uint64_t> sensor_handles() const;
    bool has_stream_without_flag() const;
    size_t stream_index(uint64_t handle) const;
    bool imu_demo_active() const;
    void release_cluster_grid();
    // GL thread: no points or boxes are drawn until the next upload.
    void clear_drawn_points();
    // Whether a stream of this view is switched off.
    bool hides_a_stream() const;
    void update_title();

    ViewHost* app;
    std::shared_ptr<spdlog::logger> logger;
    bool accepting_new_stream = true;
    int32_t group_view;
    RollingStatistic x_extent{0.0f, mean_of};
    RollingStatistic y_extent{0.0f, mean_of};
    RollingStatistic z_extent{0.0f, mean_of};
    RollingStatistic range_extent{0.0f, mean_of};
    ViewRenderer renderer;
    ViewConfig config;
    // The stream maps and `name` are written on the GUI thread only, frames
    // included; the mutex orders that work before a stream's own lock.
    std::mutex mutex;
    std::map<uint64_t, std::unique_ptr<SensorStream>> streams;
    std::map<uint64_t, std::unique_ptr<SensorStream>> pending_streams;
    // Base name of the view's cluster line sets, fixed by the first frame.
    std::string name;
    std::unique_ptr<ClusterGrid> cluster_grid;       // in "Demo" and "Demo 2"
    std::unique_ptr<AngularPointGrid> angular_grid;  // in the IMU demo
    // The Control Panel (made by the host, null without a window) rebuilds its
    // rows when this is set: the streams or the settings changed.
    std::unique_ptr<ViewPanel> panel;
    bool rebuild_pending = true;
    std::vector<PointVertex> vertices;
    int64_t now_us = 0;

private:
    bool stream_shown(uint64_t handle) const;
    void configure_grids();
    void start_angular_grid();
    void find_clusters();
    // Also measures the time colour's values, for apply_color_mode.
    void fade_and_measure();
    void apply_color_mode();

    float time_low_ = 0.0f, time_span_ = 0.0f;
    // The boxes' geometry, rebuilt in place every frame.
    LineStrips box_outlines_;
    std::vector<LineVertex> box_faces_;
};

}  // namespace druvex
