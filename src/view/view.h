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

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace druvex {

class ViewHost;

// Defined over view.cpp (sensors, streams, drawing) and view_frame.cpp (collecting,
// fading and uploading the streams' points once a frame). Its Control Panel is
// a ViewPanel the host makes; the view only refreshes it.
//
// A view belongs to the GUI thread, which is also the one that draws: the
// SDK's threads hand frames over through the application's mailbox, so
// none of its fields takes a lock.
class View {
public:
    using StreamMap = std::map<uint64_t, std::unique_ptr<SensorStream>>;

    // group_view: 0 binds the view to the first sensor that reaches it, 1 shows every sensor
    // offered.
    View(ViewHost* app, const ViewConfig* config, int group_view);
    ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // Whether the view took the frame; `frame` is moved from only when it did.
    bool on_frame(const DruvexSensorInformation& info, std::unique_ptr<StreamFrame>& frame,
                  const FrameArrival& arrival);
    // The same for points that no frame holds yet.
    bool on_frame(const DruvexSensorInformation& info, int64_t time_us, size_t n,
                  const DruvexSensorRawPointWithTime* points,
                  const FrameArrival& arrival = FrameArrival::now());

    // Once per drawn frame: refresh_streams before update.
    void refresh_streams();
    void update();
    bool handle_key(int key, int modifiers);

    // Builds this frame's points into `vertices` and finds the clusters;
    // false when there are no points (the renderer then keeps its previous
    // upload and boxes). No GL work.
    bool collect_points();
    // collect_points, then the upload of the points and boxes.
    void process_frame();
    // Hands the grid's boxes to the lines renderer under `name`.
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
    // No points or boxes are drawn until the next upload.
    void clear_drawn_points();
    // Whether a stream of this view is switched off.
    bool hides_a_stream() const;
    void update_title();

    // The Control Panel rebuilds its rows when asked: the streams or the
    // settings changed.
    bool rebuild_pending() const { return rebuild_pending_; }
    void request_rebuild() { rebuild_pending_ = true; }
    void rebuild_done() { rebuild_pending_ = false; }

    ViewHost* app() const { return app_; }
    int32_t group_view() const { return group_view_; }
    // The sensors shown, and those that arrived since the last refresh_streams.
    const StreamMap& streams() const { return streams_; }
    const StreamMap& pending_streams() const { return pending_streams_; }
    // A shown sensor's stream, or null.
    SensorStream* stream(uint64_t handle) const;
    bool accepting_new_stream() const { return accepting_new_stream_; }
    // Base name of the view's cluster line sets, fixed by the first frame.
    const std::string& name() const { return name_; }
    ClusterGrid* cluster_grid() const { return cluster_grid_.get(); }
    AngularPointGrid* angular_grid() const { return angular_grid_.get(); }
    ViewPanel* panel() const { return panel_.get(); }
    // The points of the last collect_points.
    const std::vector<PointVertex>& vertices() const { return vertices_; }
    const RollingStatistic& range_extent() const { return range_extent_; }

    // How the view draws, and its camera: the panels and the input edit them
    // between frames.
    ViewRenderer renderer;
    ViewConfig config;

private:
    bool stream_shown(uint64_t handle) const;
    void configure_grids();
    void start_angular_grid();
    void find_clusters();
    // Also measures the time colour's values, for apply_color_mode.
    void fade_and_measure();
    void apply_color_mode();

    // Fixed when the view is made.
    ViewHost* const app_;
    const int32_t group_view_;
    // The sensors: on_frame adds, refresh_streams moves the pending ones in
    // and drops the silent ones, remove_streams empties both (and drops the
    // panorama: a new source of points starts a new one).
    StreamMap streams_;
    StreamMap pending_streams_;
    bool accepting_new_stream_ = true;
    std::string name_;  // set by the first frame, kept to the end
    // The Control Panel (made by the host, null without a window) and whether
    // it must rebuild: set by the view and its users, cleared by the panel.
    std::unique_ptr<ViewPanel> panel_;
    bool rebuild_pending_ = true;
    // The points of a drawn frame and what is measured and found in them:
    // collect_points and its helpers.
    std::vector<PointVertex> vertices_;
    RollingStatistic x_extent_{0.0f, mean_of};
    RollingStatistic y_extent_{0.0f, mean_of};
    RollingStatistic z_extent_{0.0f, mean_of};
    RollingStatistic range_extent_{0.0f, mean_of};
    float time_low_ = 0.0f, time_span_ = 0.0f;
    std::unique_ptr<ClusterGrid> cluster_grid_;       // in "Demo" and "Demo 2"
    std::unique_ptr<AngularPointGrid> angular_grid_;  // in the IMU demo
    // The boxes' geometry, rebuilt in place every frame.
    LineStrips box_outlines_;
    std::vector<LineVertex> box_faces_;
};

}  // namespace druvex
