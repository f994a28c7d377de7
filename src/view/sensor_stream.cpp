// SensorStream: frames, statistics and frame rate of one sensor in a view.
#include "sensor_stream.h"

#include "hex_grid.h"
#include "platform/sdk_utils.h"
#include "view.h"
#include "view_host.h"

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

StreamFrame::StreamFrame(int64_t time_us, size_t n, const DruvexSensorRawPointWithTime* points)
    : time_us_(time_us), raw_points_(points, points + n) {}

void StreamFrame::measure() {
    calibrate();
    for (const DruvexSensorImagePoint& p : image_points_) {
        min_image_x_ = std::min(min_image_x_, p.image_x);
        max_image_x_ = std::max(max_image_x_, p.image_x);
        min_image_z_ = std::min(min_image_z_, p.image_z);
        max_image_z_ = std::max(max_image_z_, p.image_z);
    }
}

void StreamFrame::attach(SensorStream* stream, uint8_t mode_value) {
    stream_ = stream;
    mode_flag_ = mode_value != 0;
}

bool StreamFrame::calibrate() {
    const DruvexCalibration c = stream_->calibration();
    // Drawing asks again every frame; only a changed calibration moves the points.
    if (calibrated_ && std::memcmp(&c, &calibration_, sizeof c) == 0) return false;
    std::memcpy(static_cast<void*>(&calibration_), &c, sizeof c);
    calibrated_ = true;
    image_points_.resize(2 * raw_points_.size());
    if (!raw_points_.empty())
        stream_sdk.calibrate(c, raw_points_.size(), raw_points_.data(), image_points_.data());
    return true;
}

SensorStream::SensorStream(View* view, const DruvexSensorInformation* info)
    : view_(view), app_(view->app()), handle_(info->handle), info_(*info) {
    for (uint32_t& interval : intervals_) interval = 100000;
    clear();
    follow_settings();
    char model[sizeof info_.model_name + 1] = {};
    std::memcpy(model, info_.model_name, sizeof info_.model_name);
    std::snprintf(name_, sizeof name_, "%s (#%d)", model,
                  static_cast<int32_t>(info_.serial_number));
}

SensorStream::~SensorStream() = default;

void SensorStream::clear() {
    first_timestamp_ = 0;
    last_frame_us_ = 0;  // what follows a clear is no interval of the sensor's
    incoming_.clear();
    frames_.clear();
    for (Statistic<float>* s : {&image_x_min_, &image_x_max_, &image_z_min_, &image_z_max_})
        s->fill(0.0f);
}

DruvexCalibration SensorStream::calibration() const {
    return get_calibration_by_serial(info_.serial_number);
}

size_t SensorStream::index() const { return view_->stream_index(handle_); }

void SensorStream::follow_settings() {
    const TransformsStore& transforms = app_->transforms();
    if (const uint64_t version = transforms.version(); version != transforms_version_) {
        transforms_version_ = version;
        transform = transforms.get_transform(info_.serial_number);
        const float* q = transform.rotation;
        quaternion_to_euler(q[0], q[1], q[2], q[3], &azimuth, &elevation, &roll);
    }
    const ClipsStore& clips = app_->clips();
    if (const uint64_t version = clips.image_clips_version(); version != clips_version_) {
        clips_version_ = version;
        image_clip = clips.get_image_clip(info_.serial_number);
    }
}

// The rate is counted on the clock the frames come with: the replay's
// position while a replay is open, else the wall clock. A paused replay's
// refill after a seek then counts its frames as far apart as they were
// recorded, not as the microseconds it takes to replay them; the interval
// across a jump back (a seek, a loop) or a clear is not counted at all.
void SensorStream::count_frame_interval(int64_t time_us) {
    const int64_t interval = time_us - last_frame_us_;
    if (last_frame_us_ != 0 && interval > 0) {
        intervals_[interval_index_] =
            static_cast<uint32_t>(std::min<int64_t>(interval, UINT32_MAX));
        interval_index_ = (interval_index_ + 1) % 10;
    }
    last_frame_us_ = time_us;
}

void SensorStream::push_frame(int64_t time_us, size_t n, const DruvexSensorRawPointWithTime* points,
                              const FrameArrival& arrival) {
    push_frame(std::make_unique<StreamFrame>(time_us, n, points), arrival);
}

void SensorStream::push_frame(std::unique_ptr<StreamFrame> frame, const FrameArrival& arrival) {
    const int64_t time_us = frame->time_us();
    if (!frame->raw_points().empty()) {
        const int64_t t = frame->raw_points().front().timestamp;
        if (first_timestamp_ == 0) first_timestamp_ = t;
        if (t - first_timestamp_ < -seek_back_usec) clear();
    }
    uint8_t mode_value = 0;
    druvex_sdk_get(handle_, 1, &mode_value, 1);
    last_sdk_error();  // the SDK refuses this key; its failure must not linger
    frame->attach(this, mode_value);
    incoming_.push_back(std::move(frame));
    if (incoming_.size() > max_incoming_frames) incoming_.clear();
    if (hex_grid_) hex_grid_->tick();

    count_frame_interval(time_us);
    last_push_time_ = arrival.wall_s;
}

// The fields of view are those of the last few frames: older ones in the
// batch would only be overwritten, so they are not measured.
void SensorStream::take_incoming() {
    const size_t window = Statistic<float>::window_size;
    const size_t measured_from = incoming_.size() > window ? incoming_.size() - window : 0;
    for (size_t i = 0; i < incoming_.size(); ++i) {
        std::unique_ptr<StreamFrame>& frame = incoming_[i];
        if (i >= measured_from) {
            frame->measure();
            image_x_min_.add(frame->min_image_x());
            image_x_max_.add(frame->max_image_x());
            image_z_min_.add(frame->min_image_z());
            image_z_max_.add(frame->max_image_z());
        }
        frames_.push_back(std::move(frame));
    }
    incoming_.clear();
}

// Keeps the newest frames up to the first one at which the point total
// reaches the limit; older ones go.
void SensorStream::trim_frames() {
    size_t total = 0;
    for (size_t i = frames_.size(); i-- > 0;) {
        total += frames_[i]->raw_points().size();
        if (total >= max_kept_points) {
            frames_.erase(frames_.begin(), frames_.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

void SensorStream::update_status() {
    follow_settings();
    DruvexSensorInformation info = info_;
    if (stream_sdk.sensor_information(handle_, &info))
        info_ = info;
    else
        alive_ = false;
    if (incoming_.empty()) return;
    take_incoming();
    trim_frames();
    const uint32_t mean = mean_of_u32(intervals_, 10);
    // Two pushes within one microsecond would otherwise give an infinite rate.
    frame_rate_ = mean > 0 ? 1000000.0f / static_cast<float>(mean) : 0.0f;
    horizontal_fov_ = std::atan(image_x_max_.value()) - std::atan(image_x_min_.value());
    vertical_fov_ = std::atan(image_z_max_.value()) - std::atan(image_z_min_.value());
}

}  // namespace druvex
