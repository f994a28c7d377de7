// One sensor inside one view: its frames, pose, clip and statistics.
#pragma once

#include "frame_arrival.h"
#include "render/point_program.h"
#include "settings/clips_store.h"
#include "settings/transforms_store.h"
#include "statistic.h"
#include "vertex_cache.h"

#include <druvex_sdk.h>
#include <spdlog/logger.h>

#include <deque>
#include <memory>
#include <mutex>
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
// copy of the points; owned from then on by the one stream that keeps it,
// and calibrated there (GUI thread) when it is measured or drawn, so frames
// that arrive faster than they are drawn cost no calibration.
struct StreamFrame {
    StreamFrame(int64_t time_us, size_t n, const DruvexSensorRawPointWithTime* points);

    // The stream that keeps the frame, and the SDK's mode value for it.
    void attach(SensorStream* stream, uint8_t mode_value);
    // Recomputes image_points (two per raw point: first and second return)
    // when the sensor's calibration differs from the one they were made with;
    // true when it did. Needs the stream.
    bool calibrate();
    // Calibrates, then finds the extents of the image points.
    void measure();
    // Appends this frame's drawn points, moved by `pose` unless it is null,
    // from the kept ones while nothing they depend on has changed.
    void build_points(std::vector<PointVertex>& out, int32_t color_mode, float weight,
                      const SensorPose* pose);

    int64_t time_us;
    int64_t min_timestamp = 0, max_timestamp = 0;
    float min_image_x = 0.0f, max_image_x = 0.0f, min_image_z = 0.0f, max_image_z = 0.0f;
    SensorStream* stream = nullptr;  // null until attached
    View* view = nullptr;
    ViewHost* app = nullptr;
    bool mode_flag = false;
    bool processed = false;
    std::vector<DruvexSensorRawPointWithTime> raw_points;
    std::vector<DruvexSensorImagePoint> image_points;

private:
    VertexKey vertex_key(int32_t color_mode, float weight, const SensorPose* pose) const;
    void fill_vertex_cache(const VertexKey& key);

    bool calibrated_ = false;
    DruvexCalibration calibration_;
    VertexCache vertex_cache_;
};

// Defined over sensor_stream.cpp (frames, statistics, rate) and stream_points.cpp
// (turning recent frames into point vertices).
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

    void clear();
    void clear_locked();
    void refresh();
    DruvexCalibration calibration() const;
    size_t index() const;

    bool channel_enabled(int c) const { return (channel_mask >> (c & 63)) & 1u; }
    bool return_enabled(int r) const { return (return_mask >> r) & 1u; }
    bool mode_enabled(unsigned m) const { return (return_mask >> (m + 8)) & 1u; }

    // The hex grid of the grid display modes: made or kept for the view's
    // spacing (made safe first), deleted in "Raw", relearning its background.
    void configure_hex_grid(float spacing, uint64_t fill_distance, uint64_t fill_threshold);
    void drop_hex_grid();
    void reset_hex_grid();

    // Appends the stream's points to `out`: as received in "Raw", one per
    // grid cell otherwise, whose foreground also fills `cluster` (may be null).
    void build_points(const ViewConfig& config, std::vector<PointVertex>& out,
                      ClusterGrid* cluster);

    // Copies the sensor's pose and image clip from the application's stores
    // when they changed since the last copy; the points read only the copies,
    // so editing the stores never races the drawing of a frame.
    void follow_settings();

    View* view;
    ViewHost* app;
    std::shared_ptr<spdlog::logger> logger;
    bool alive = true;
    // Every field is written on the GUI thread (frames are pushed there too);
    // the mutex guards the incoming list, the push statistics and the hex
    // grid's background update, as the lock after the view's.
    std::mutex mutex;
    uint64_t handle;
    DruvexSensorInformation info;
    float azimuth = 0.0f, elevation = 0.0f, roll = 0.0f;
    SensorTransform transform;
    ImageClip image_clip;
    float hex_spacing = 0.0f;
    std::unique_ptr<HexGrid> hex_grid;  // replaced only on the GUI thread
    uint64_t channel_mask = ~uint64_t(0);
    uint64_t return_mask = ~uint64_t(0);
    int64_t first_timestamp = 0;
    std::deque<std::unique_ptr<StreamFrame>> frames;
    std::vector<std::unique_ptr<StreamFrame>> incoming;
    char name[100];
    int64_t last_push_time = 0;
    float frame_rate = 0.0f;
    Statistic<float> image_x_min{0.0f, min_of};
    Statistic<float> image_x_max{0.0f, max_of};
    Statistic<float> image_z_min{0.0f, min_of};
    Statistic<float> image_z_max{0.0f, max_of};
    float horizontal_fov = 0.0f, vertical_fov = 0.0f;
    uint32_t (*interval_mean)(const uint32_t*, size_t) = mean_of_u32;
    uint32_t intervals[10];
    uint64_t interval_index = 0;
    int64_t last_frame_us = 0;  // time of the last frame pushed, 0 after a clear

private:
    // Replaces the points appended since `start` by the hex grid's cells.
    void grid_points(const ViewConfig& config, std::vector<PointVertex>& out, size_t start,
                     ClusterGrid* cluster);

    uint64_t transforms_version_ = ~uint64_t(0);  // the stores' versions of the copies
    uint64_t clips_version_ = ~uint64_t(0);
};

// GUI thread, with the view's mutex held: the stream keeps the frame.
// `arrival` is when the frame reached the application; it sets the frame rate
// and the last push time.
void push_stream_frame(SensorStream& stream, std::unique_ptr<StreamFrame> frame,
                       const FrameArrival& arrival);
// The same for points that no frame holds yet.
void push_stream_frame(SensorStream& stream, int64_t time_us, size_t n,
                       const DruvexSensorRawPointWithTime* points,
                       const FrameArrival& arrival = FrameArrival::now());
// GUI thread: takes the incoming frames, trims, refreshes the statistics.
void update_stream_status(SensorStream& stream);

}  // namespace druvex
