// SensorStream: frames, statistics and frame rate of one sensor in a view.
#include "sensor_stream.h"

#include "hex_grid.h"
#include "platform/sdk_utils.h"
#include "view.h"
#include "view_host.h"

#include <spdlog/spdlog.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace druvex {

namespace {

void sdk_calibrate(const DruvexCalibration& c, size_t n, const DruvexSensorRawPointWithTime* raw,
                   DruvexSensorImagePoint* image) {
    druvex_sdk_calibrate_points_with_calibration(&c, static_cast<int32_t>(n), raw, 2, image);
    last_sdk_error();  // the result is not needed; do not leave it pending on this thread
}

bool sdk_sensor_information(uint64_t handle, DruvexSensorInformation* info) {
    druvex_sdk_get_sensor_information(handle, info);
    return last_sdk_error().ok();
}

}  // namespace

StreamSdk stream_sdk = {sdk_calibrate, sdk_sensor_information};

StreamFrame::StreamFrame(int64_t time_us_, size_t n, const DruvexSensorRawPointWithTime* points)
    : time_us(time_us_), raw_points(points, points + n) {}

void StreamFrame::measure() {
    calibrate();
    for (const DruvexSensorImagePoint& p : image_points) {
        min_timestamp = std::min(min_timestamp, p.timestamp);
        max_timestamp = std::max(max_timestamp, p.timestamp);
        min_image_x = std::min(min_image_x, p.image_x);
        max_image_x = std::max(max_image_x, p.image_x);
        min_image_z = std::min(min_image_z, p.image_z);
        max_image_z = std::max(max_image_z, p.image_z);
    }
}

void StreamFrame::attach(SensorStream* stream_, uint8_t mode_value) {
    stream = stream_;
    view = stream_->view;
    app = stream_->app;
    mode_flag = mode_value != 0;
}

bool StreamFrame::calibrate() {
    const DruvexCalibration c = stream->calibration();
    // Drawing asks again every frame; only a changed calibration moves the points.
    if (calibrated_ && std::memcmp(&c, &calibration_, sizeof c) == 0) return false;
    std::memcpy(static_cast<void*>(&calibration_), &c, sizeof c);
    calibrated_ = true;
    image_points.resize(2 * raw_points.size());
    if (!raw_points.empty())
        stream_sdk.calibrate(c, raw_points.size(), raw_points.data(), image_points.data());
    return true;
}

SensorStream::SensorStream(View* view_, const DruvexSensorInformation* info_)
    : view(view_),
      app(view_->app),
      logger(spdlog::get("gui")),
      handle(info_->handle),
      info(*info_) {
    for (uint32_t& interval : intervals) interval = 100000;
    {
        std::lock_guard<std::mutex> lock(mutex);
        clear_locked();
    }
    follow_settings();
    char model[sizeof info.model_name + 1] = {};
    std::memcpy(model, info.model_name, sizeof info.model_name);
    std::snprintf(name, sizeof name, "%s (#%d)", model, static_cast<int32_t>(info.serial_number));
}

SensorStream::~SensorStream() { clear(); }

void SensorStream::clear() {
    std::lock_guard<std::mutex> lock(mutex);
    clear_locked();
}

void SensorStream::clear_locked() {
    first_timestamp = 0;
    last_frame_us = 0;  // what follows a clear is no interval of the sensor's
    incoming.clear();
    frames.clear();
    for (Statistic<float>* s : {&image_x_min, &image_x_max, &image_z_min, &image_z_max})
        s->fill(0.0f);
}

void SensorStream::refresh() {
    // The stream's own panel arrives with the Control Panel.
}

DruvexCalibration SensorStream::calibration() const {
    return get_calibration_by_serial(info.serial_number);
}

size_t SensorStream::index() const { return view->stream_index(handle); }

void SensorStream::follow_settings() {
    const TransformsStore& transforms = app->transforms();
    if (const uint64_t version = transforms.version(); version != transforms_version_) {
        transforms_version_ = version;
        transform = transforms.get_transform(info.serial_number);
        const float* q = transform.rotation;
        quaternion_to_euler(q[0], q[1], q[2], q[3], &azimuth, &elevation, &roll);
    }
    const ClipsStore& clips = app->clips();
    if (const uint64_t version = clips.image_clips_version(); version != clips_version_) {
        clips_version_ = version;
        image_clip = clips.get_image_clip(info.serial_number);
    }
}

namespace {

// The rate is counted on the clock the frames come with: the replay's
// position while a replay is open, else the wall clock. A paused replay's
// refill after a seek then counts its frames as far apart as they were
// recorded, not as the microseconds it takes to replay them; the interval
// across a jump back (a seek, a loop) or a clear is not counted at all.
void count_frame_interval(SensorStream& stream, int64_t time_us) {
    const int64_t interval = time_us - stream.last_frame_us;
    if (stream.last_frame_us != 0 && interval > 0) {
        stream.intervals[stream.interval_index] =
            static_cast<uint32_t>(std::min<int64_t>(interval, UINT32_MAX));
        stream.interval_index = (stream.interval_index + 1) % 10;
    }
    stream.last_frame_us = time_us;
}

}  // namespace

void push_stream_frame(SensorStream& stream, int64_t time_us, size_t n,
                       const DruvexSensorRawPointWithTime* points, const FrameArrival& arrival) {
    push_stream_frame(stream, std::make_unique<StreamFrame>(time_us, n, points), arrival);
}

void push_stream_frame(SensorStream& stream, std::unique_ptr<StreamFrame> frame,
                       const FrameArrival& arrival) {
    const int64_t time_us = frame->time_us;
    std::lock_guard<std::mutex> lock(stream.mutex);
    if (!frame->raw_points.empty()) {
        const int64_t t = frame->raw_points.front().timestamp;
        if (stream.first_timestamp == 0) stream.first_timestamp = t;
        if (t - stream.first_timestamp < -SensorStream::seek_back_usec) stream.clear_locked();
    }
    uint8_t mode_value = 0;
    druvex_sdk_get(stream.handle, 1, &mode_value, 1);
    last_sdk_error();  // the SDK refuses this key; its failure must not linger
    frame->attach(&stream, mode_value);
    stream.incoming.push_back(std::move(frame));
    if (stream.incoming.size() > SensorStream::max_incoming_frames) stream.incoming.clear();
    if (stream.hex_grid) stream.hex_grid->tick();

    count_frame_interval(stream, time_us);
    stream.last_push_time = arrival.wall_s;
}

namespace {

// The fields of view are those of the last few frames: older ones in the
// batch would only be overwritten, so they are not measured.
void take_incoming(SensorStream& s) {
    const size_t window = Statistic<float>::window_size;
    const size_t measured_from = s.incoming.size() > window ? s.incoming.size() - window : 0;
    for (size_t i = 0; i < s.incoming.size(); ++i) {
        std::unique_ptr<StreamFrame>& frame = s.incoming[i];
        if (i >= measured_from) {
            frame->measure();
            s.image_x_min.add(frame->min_image_x);
            s.image_x_max.add(frame->max_image_x);
            s.image_z_min.add(frame->min_image_z);
            s.image_z_max.add(frame->max_image_z);
        }
        s.frames.push_back(std::move(frame));
    }
    s.incoming.clear();
}

// Keeps the newest frames up to the first one at which the point total
// reaches the limit; older ones go.
void trim_frames(SensorStream& s) {
    size_t total = 0;
    for (size_t i = s.frames.size(); i-- > 0;) {
        total += s.frames[i]->raw_points.size();
        if (total >= SensorStream::max_kept_points) {
            s.frames.erase(s.frames.begin(), s.frames.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

}  // namespace

void update_stream_status(SensorStream& s) {
    s.follow_settings();
    DruvexSensorInformation info = s.info;
    const bool failed = !stream_sdk.sensor_information(s.handle, &info);

    // Frames under construction on the SDK thread read the information too.
    std::lock_guard<std::mutex> lock(s.mutex);
    if (failed) {
        s.alive = false;
    } else {
        s.info = info;
    }
    if (s.incoming.empty()) return;
    take_incoming(s);
    trim_frames(s);
    const uint32_t mean = s.interval_mean(s.intervals, 10);
    // Two pushes within one microsecond would otherwise give an infinite rate.
    s.frame_rate = mean > 0 ? 1000000.0f / static_cast<float>(mean) : 0.0f;
    s.horizontal_fov = std::atan(s.image_x_max.value()) - std::atan(s.image_x_min.value());
    s.vertical_fov = std::atan(s.image_z_max.value()) - std::atan(s.image_z_min.value());
}

}  // namespace druvex
