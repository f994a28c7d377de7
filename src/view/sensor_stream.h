// One sensor inside one view: its frames, pose, clip and statistics.
#pragma once

#include "frame_arrival.h"
#include "render/point_program.h"
#include "settings/clips_store.h"
#include "settings/transforms_store.h"
#include "statistic.h"
#include "vertex_cache.h"

#include <druvex_sdk.h>

#include <deque>
#include <memory>
#include <vector>

namespace druvex {

class ClusterGrid;
class HexGrid;
class SensorStream;
class View;
class ViewHost;
struct ViewConfig;

// The SDK calls the streams make. They go to the SDK unless replaced, which
// lets tests run the frame path on known geometry without sensors.
struct StreamSdk {
    // Two image points (first and second return) per raw point.
    void (*calibrate)(const DruvexCalibration& calibration, size_t n,
                      const DruvexSensorRawPointWithTime* raw, DruvexSensorImagePoint* image);
    // False when the SDK no longer knows the sensor.
    bool (*sensor_information)(uint64_t handle, DruvexSensorInformation* info);
};
extern StreamSdk stream_sdk;

// One received frame: its raw points and, once it is used, their calibrated
// image points. Built on the thread the frame arrives on with nothing but a
// copy of the points; from attach() on, owned by the one stream that keeps it
// and used on the GUI thread alone, where it is calibrated when it is
// measured or drawn, so frames that arrive faster than they are drawn cost no
// calibration.
class StreamFrame {
public:
    StreamFrame(int64_t time_us, size_t n, const DruvexSensorRawPointWithTime* points);

    // The stream that keeps the frame, and the SDK's mode value for it.
    void attach(SensorStream* stream, uint8_t mode_value);
    // Recomputes the image points (two per raw point: first and second
    // return) when the sensor's calibration differs from the one they were
    // made with; true when it did. Needs the stream.
    bool calibrate();
    // Calibrates, then finds the extents of the image points.
    void measure();
    // Appends this frame's drawn points, moved by `pose` unless it is null,
    // from the kept ones while nothing they depend on has changed; a timed
    // colour takes the points' ages against `now_us`.
    void build_points(std::vector<PointVertex>& out, int32_t color_mode, float weight,
                      const SensorPose* pose, int64_t now_us);

    int64_t time_us() const { return time_us_; }
    const std::vector<DruvexSensorRawPointWithTime>& raw_points() const { return raw_points_; }
    float min_image_x() const { return min_image_x_; }
    float max_image_x() const { return max_image_x_; }
    float min_image_z() const { return min_image_z_; }
    float max_image_z() const { return max_image_z_; }

private:
    VertexKey vertex_key(int32_t color_mode, float weight, const SensorPose* pose) const;
    void fill_vertex_cache(const VertexKey& key);

    // Set when the frame is made, on the thread it arrived on.
    int64_t time_us_;
    std::vector<DruvexSensorRawPointWithTime> raw_points_;
    // Set by attach(), on the GUI thread.
    SensorStream* stream_ = nullptr;
    bool mode_flag_ = false;
    // The calibrated points and what is built from them: GUI thread, when
    // the frame is measured or drawn.
    std::vector<DruvexSensorImagePoint> image_points_;
    bool calibrated_ = false;
    DruvexCalibration calibration_;
    float min_image_x_ = 0.0f, max_image_x_ = 0.0f, min_image_z_ = 0.0f, max_image_z_ = 0.0f;
    VertexCache vertex_cache_;
};

// One sensor inside one view: its frames, pose, clip and statistics. Defined
// over sensor_stream.cpp (frames, statistics, rate), stream_points.cpp
// (turning recent frames into point vertices) and stream_grid.cpp (the hex
// grid).
//
// A stream belongs to the GUI thread: frames reach it there from the
// application's mailbox, and its view, the panels and the drawing use it
// there, so none of its fields takes a lock.
class SensorStream {
public:
    // Frames kept for drawing are trimmed to about this many raw points.
    static constexpr size_t max_kept_points = 500000;
    // More waiting frames than this means nobody draws them: all are dropped.
    static constexpr size_t max_incoming_frames = 100;
    // A frame this far before the first one seen means the replay jumped back.
    static constexpr int64_t seek_back_usec = 500000;

    SensorStream(View* view, const DruvexSensorInformation* info);
    ~SensorStream();
    SensorStream(const SensorStream&) = delete;
    SensorStream& operator=(const SensorStream&) = delete;

    // The stream keeps the frame until update_status() takes it in.
    // `arrival` is when the frame reached the application; it sets the last
    // push time.
    void push_frame(std::unique_ptr<StreamFrame> frame,
                    const FrameArrival& arrival = FrameArrival::now());
    // The same for points that no frame holds yet.
    void push_frame(int64_t time_us, size_t n, const DruvexSensorRawPointWithTime* points,
                    const FrameArrival& arrival = FrameArrival::now());
    // Once per drawn frame: follows the settings and the sensor's information,
    // takes the waiting frames in, trims, refreshes the statistics.
    void update_status();
    void clear();

    DruvexCalibration calibration() const;
    size_t index() const;

    bool channel_enabled(int c) const { return (channel_mask_ >> (c & 63)) & 1u; }
    bool return_enabled(int r) const { return (return_mask_ >> r) & 1u; }
    bool mode_enabled(unsigned m) const { return (return_mask_ >> (m + 8)) & 1u; }
    uint64_t channel_mask() const { return channel_mask_; }
    uint64_t return_mask() const { return return_mask_; }
    void set_channel_mask(uint64_t mask) { channel_mask_ = mask; }
    void set_return_mask(uint64_t mask) { return_mask_ = mask; }

    // The hex grid of the grid display modes: made or kept for the view's
    // spacing (made safe first), deleted in "Raw", relearning its background.
    void configure_hex_grid(float spacing, uint64_t fill_distance, uint64_t fill_threshold);
    void drop_hex_grid();
    void reset_hex_grid();
    HexGrid* hex_grid() const { return hex_grid_.get(); }
    float hex_spacing() const { return hex_spacing_; }

    // Appends the stream's points as of `now_us` to `out`: as received in
    // "Raw", one per grid cell otherwise, whose foreground also fills
    // `cluster` (may be null).
    void build_points(const ViewConfig& config, int64_t now_us, std::vector<PointVertex>& out,
                      ClusterGrid* cluster);

    // Copies the sensor's pose and image clip from the application's stores
    // when they changed since the last copy; the points read only the copies,
    // so editing the stores never races the drawing of a frame.
    void follow_settings();

    View* view() const { return view_; }
    ViewHost* app() const { return app_; }
    uint64_t handle() const { return handle_; }
    const char* name() const { return name_; }
    const DruvexSensorInformation& info() const { return info_; }
    // False once the SDK no longer knows the sensor.
    bool alive() const { return alive_; }
    // C-clock seconds when the last frame reached the application.
    int64_t last_push_time() const { return last_push_time_; }
    float frame_rate() const { return frame_rate_; }
    float horizontal_fov() const { return horizontal_fov_; }
    float vertical_fov() const { return vertical_fov_; }
    // The first point time seen since the last clear, 0 before any.
    int64_t first_timestamp() const { return first_timestamp_; }
    const std::deque<std::unique_ptr<StreamFrame>>& frames() const { return frames_; }
    size_t incoming_count() const { return incoming_.size(); }

    // The sensor's pose and image clip as the points use them: copies of the
    // stores' records that follow_settings() refreshes when a store changes,
    // and the sensor's panels edit (then store) in between. The angles are
    // the pose's rotation as the panels show it.
    SensorTransform transform;
    float azimuth = 0.0f, elevation = 0.0f, roll = 0.0f;
    ImageClip image_clip;

private:
    // Replaces the points appended since `start` by the hex grid's cells.
    void grid_points(const ViewConfig& config, std::vector<PointVertex>& out, size_t start,
                     ClusterGrid* cluster);
    void take_incoming();
    void trim_frames();
    void count_frame_interval(int64_t time_us);

    // Fixed when the stream is made.
    View* const view_;
    ViewHost* const app_;
    const uint64_t handle_;
    char name_[100];
    // The sensor's information and whether the SDK still knows it:
    // update_status().
    DruvexSensorInformation info_;
    bool alive_ = true;
    // What the points show: the masks' setters, and the view's display mode
    // through the hex grid's configuration.
    uint64_t channel_mask_ = ~uint64_t(0);
    uint64_t return_mask_ = ~uint64_t(0);
    float hex_spacing_ = 0.0f;
    std::unique_ptr<HexGrid> hex_grid_;
    // The frames: waiting ones from push_frame(), kept ones from
    // update_status(), both emptied by clear().
    int64_t first_timestamp_ = 0;
    std::vector<std::unique_ptr<StreamFrame>> incoming_;
    std::deque<std::unique_ptr<StreamFrame>> frames_;
    // Rate, arrival and extents: intervals and arrival from push_frame(), the
    // rest from update_status().
    int64_t last_push_time_ = 0;
    int64_t last_frame_us_ = 0;  // time of the last frame pushed, 0 after a clear
    uint32_t intervals_[10];
    uint64_t interval_index_ = 0;
    float frame_rate_ = 0.0f;
    Statistic<float> image_x_min_{0.0f, min_of};
    Statistic<float> image_x_max_{0.0f, max_of};
    Statistic<float> image_z_min_{0.0f, min_of};
    Statistic<float> image_z_max_{0.0f, max_of};
    float horizontal_fov_ = 0.0f, vertical_fov_ = 0.0f;
    // The stores' versions of the pose and clip copies: follow_settings().
    uint64_t transforms_version_ = ~uint64_t(0);
    uint64_t clips_version_ = ~uint64_t(0);
};

}  // namespace druvex
