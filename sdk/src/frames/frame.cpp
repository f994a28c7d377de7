// Frame: gathering decoded points and handing complete frames to the callbacks.
#include "frame.h"

#include <algorithm>

#include "core/callback.h"
#include "core/sdk_manager.h"
#include "point_budget.h"
#include "sensors/sensor.h"

namespace druvex_sdk {
namespace {

template <typename Point>
void append(std::vector<Point>& to, const Point* from, size_t n) {
    to.insert(to.end(), from, from + n);
}

template <typename Point>
void move_front(std::vector<Point>& from, size_t n, std::vector<Point>& to) {
    append(to, from.data(), n);
    from.erase(from.begin(), from.begin() + static_cast<std::ptrdiff_t>(n));
}

template <typename Point>
void drop_if_large(std::vector<Point>& points) {
    if (points.capacity() > Frame::max_kept_points) std::vector<Point>().swap(points);
}

// Cutting a long frame from the front leaves its room behind the few points
// that follow it.
template <typename Point>
void shrink_if_sparse(std::vector<Point>& points) {
    if (points.capacity() > Frame::max_kept_points && points.capacity() > 2 * points.size()) {
        std::vector<Point>(points).swap(points);
    }
}

thread_local int t_frames_delivering = 0;

// Counts a delivery in, and out again even when a callback throws.
struct Delivering {
    Delivering() { ++t_frames_delivering; }
    ~Delivering() { --t_frames_delivering; }
    Delivering(const Delivering&) = delete;
    Delivering& operator=(const Delivering&) = delete;
};

}  // namespace

bool delivering_frames_here() { return t_frames_delivering != 0; }

Frame::Frame(std::shared_ptr<Sensor> sensor, size_t max_pending_points)
    : sensor_(std::move(sensor)),
      handle_(sensor_->handle()),
      max_pending_(max_pending_points),
      detector_(sensor_->information()) {
    const DruvexSensorInformation information = sensor_->information();
    replayed_ = (information.flags & DRUVEX_SENSOR_FLAG_IS_MOCKED) != 0;
    return_count_ = information.return_count;
    raw_per_sample_ = sensor_->calibration().channel_count;
    image_per_sample_ = raw_per_sample_ * return_count_;
    (void)detector_.set_options(SdkManager::get_frame_options());
}

Frame::~Frame() {
    PointBudget::instance().give_back(pending_points() + out_raw_.size() + out_image_.size());
}

SensorError Frame::add_points(int32_t n, const DruvexSensorRawPointWithTime* raw,
                              const DruvexSensorImagePoint* image) {
    if (n <= 0 || raw == nullptr) return success();
    const size_t n_raw = static_cast<size_t>(n);
    const size_t n_img = image != nullptr ? n_raw * return_count_ : 0;
    std::lock_guard<std::mutex> lock(mutex_);
    bool taken = false;
    SensorError refused = PointBudget::instance().take(n_raw + n_img, taken);
    if (!taken) return refused;
    const size_t before = pending_points();
    try {
        if (image_points_.size() + n_img > max_pending_ ||
            raw_points_.size() + n_raw > max_pending_) {
            throw std::bad_alloc();
        }
        append(raw_points_, raw, n_raw);
        append(image_points_, image, n_img);
    } catch (const std::bad_alloc&) {
        // What was taken and not appended; the rest goes with the pending points.
        PointBudget::instance().give_back(before + n_raw + n_img - pending_points());
        discard_pending();
        return SensorError(DRUVEX_ERROR_OUT_OF_MEMORY,
                           "frame discarded: its points outgrew the frame buffer");
    }
    return success();
}

void Frame::discard_pending() {
    forget_points();
    completed_ = 0;
}

void Frame::forget_points() {
    PointBudget::instance().give_back(pending_points());
    std::vector<DruvexSensorRawPointWithTime>().swap(raw_points_);
    std::vector<DruvexSensorImagePoint>().swap(image_points_);
    processed_ = 0;
    detector_.forget_pending();
}

void Frame::follow_packet_time(int64_t packet_usec) {
    if (!replayed_) return;  // live time only steps back with the host's clock
    // Nearly every packet is later than the one before: that stays off the lock.
    const int64_t before = last_packet_usec_.exchange(packet_usec, std::memory_order_relaxed);
    if (packet_usec >= before) return;
    std::lock_guard<std::mutex> lock(mutex_);
    forget_points();
    detector_.start_over();
}

bool Frame::release_if_idle(int64_t since) {
    std::unique_lock<std::mutex> delivering(delivery_mutex_, std::try_to_lock);
    if (!delivering.owns_lock()) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    // A packet may have come since the caller looked, or come now: then it
    // wins, and its points go into the buffers after they are given back.
    int64_t last = last_active_.load();
    if (last > since || !last_active_.compare_exchange_strong(last, resting)) {
        return false;
    }
    if (replayed_) return shrink_to_pending();
    if (raw_points_.capacity() + image_points_.capacity() + out_raw_.capacity() +
            out_image_.capacity() ==
        0) {
        return false;
    }
    forget_points();
    PointBudget::instance().give_back(out_raw_.size() + out_image_.size());
    std::vector<DruvexSensorRawPointWithTime>().swap(out_raw_);
    std::vector<DruvexSensorImagePoint>().swap(out_image_);
    std::vector<Segment>().swap(segments_);
    return true;
}

// Keeps the unfinished frame's points, in buffers no larger than they are;
// the outgoing buffers, empty between flushes, go. True when it gave any
// memory back.
bool Frame::shrink_to_pending() {
    const size_t spare = raw_points_.capacity() - raw_points_.size() + image_points_.capacity() -
                         image_points_.size() + out_raw_.capacity() + out_image_.capacity() +
                         segments_.capacity();
    if (spare == 0) return false;
    raw_points_.shrink_to_fit();
    image_points_.shrink_to_fit();
    std::vector<DruvexSensorRawPointWithTime>().swap(out_raw_);
    std::vector<DruvexSensorImagePoint>().swap(out_image_);
    std::vector<Segment>().swap(segments_);
    return true;
}

size_t Frame::held_bytes() {
    std::lock_guard<std::mutex> delivering(delivery_mutex_);
    std::lock_guard<std::mutex> lock(mutex_);
    return (raw_points_.capacity() + out_raw_.capacity()) * sizeof(DruvexSensorRawPointWithTime) +
           (image_points_.capacity() + out_image_.capacity()) * sizeof(DruvexSensorImagePoint);
}

SensorError Frame::set_options(const DruvexSDKFrameOptions& options) {
    std::lock_guard<std::mutex> lock(mutex_);
    return detector_.set_options(options);
}

void Frame::flush() {
    std::lock_guard<std::mutex> delivering(delivery_mutex_);
    const Delivering marked;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (raw_points_.empty()) return;
        // Nothing to detect on without channels or returns: such a frame
        // passes its points on as they come.
        if (SdkManager::get_frame_mode() == DRUVEX_SDK_FRAME_STREAMING || image_per_sample_ == 0) {
            collect_all();
        } else {
            collect_detected();
        }
    }
    deliver_collected();
}

void Frame::collect_all() {
    out_raw_.swap(raw_points_);
    out_image_.swap(image_points_);
    segments_.push_back(Segment{out_raw_.size(), out_image_.size(), true});
    processed_ = 0;
    detector_.forget_pending();
}

// The detector sees the first image point of every sample. A completed frame
// is cut from the front; its length is bounded by what is actually pending,
// whatever the detector's sample count or the calibration claim.
void Frame::collect_detected() {
    const size_t per_sample = image_per_sample_;
    size_t i = static_cast<size_t>(std::max(processed_, 0));
    const int32_t completed_before = completed_;
    while (i < image_points_.size()) {
        if (detector_.update(image_points_[i])) {
            const size_t samples = static_cast<size_t>(std::max(detector_.split(), 0));
            const size_t n_image =
                std::min({samples * per_sample, i + per_sample, image_points_.size()});
            const size_t n_raw = std::min(samples * raw_per_sample_, raw_points_.size());
            take_front(n_raw, n_image, completed_ > 1);
            ++completed_;
            i = i + per_sample - n_image;
        } else {
            i += per_sample;
        }
    }
    processed_ = static_cast<int32_t>(image_points_.size());
    if (completed_ != completed_before) {
        shrink_if_sparse(raw_points_);
        shrink_if_sparse(image_points_);
    }
}

void Frame::take_front(size_t n_raw, size_t n_image, bool deliver) {
    move_front(raw_points_, n_raw, out_raw_);
    move_front(image_points_, n_image, out_image_);
    segments_.push_back(Segment{n_raw, n_image, deliver});
}

// The field-of-view watch sees every completed frame, withheld ones too.
void Frame::deliver_collected() {
    if (segments_.empty()) return;
    const bool calibrated = (sensor_->information().flags & DRUVEX_SENSOR_FLAG_IS_CALIBRATED) != 0;
    const DruvexSensorRawPointWithTime* raw = out_raw_.data();
    const DruvexSensorImagePoint* image = out_image_.data();
    for (const Segment& segment : segments_) {
        if (calibrated) {
            sensor_->monitor().check_field_of_view(static_cast<int32_t>(segment.n_image), image);
        }
        if (segment.deliver) {
            raw_frames_callback().invoke(handle_, segment.n_raw, raw);
            image_frames_callback().invoke(handle_, segment.n_image, image);
        }
        raw += segment.n_raw;
        image += segment.n_image;
    }
    release_delivered();
}

void Frame::release_delivered() {
    PointBudget::instance().give_back(out_raw_.size() + out_image_.size());
    out_raw_.clear();
    out_image_.clear();
    segments_.clear();
    drop_if_large(out_raw_);
    drop_if_large(out_image_);
}

}  // namespace druvex_sdk
