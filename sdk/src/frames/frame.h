// One sensor's frame: the raw and calibrated points of its decoded packets
// that have not been handed out yet, and the detector that decides where the
// frame ends.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "core/sensor_error.h"
#include "druvex_sdk.h"
#include "frame_detector.h"

namespace druvex_sdk {

class Sensor;

// Whether the calling thread is handing out a frame. Its callbacks run with
// the frame's delivery lock held: a packet routed from there could need that
// lock again, so packets are not routed there.
bool delivering_frames_here();

class Frame {
public:
    // Pending points beyond this are treated like a failed allocation: a
    // sensor whose frames never end must not take all memory.
    static constexpr size_t max_pending_image_points = size_t(1) << 24;
    // The longest timed frame: at the fastest sensors' 1.6 million image
    // points a second, a longer one would not fit the pending points above.
    static constexpr float max_timed_length_sec = 10.0f;
    // Buffers a frame keeps between frames, points per buffer: enough for the
    // frames of the scan modes; those of longer frames are given back once
    // the frame is out, so that memory follows the points held.
    static constexpr size_t max_kept_points = size_t(1) << 16;

    explicit Frame(std::shared_ptr<Sensor> sensor,
                   size_t max_pending_points = max_pending_image_points);
    ~Frame();
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    // Appends one packet's points: n raw points and n x the return count
    // image points. Called with the sensor's mutex held. When they do not
    // fit, every pending point is discarded and DRUVEX_ERROR_OUT_OF_MEMORY
    // says so. Points beyond the budget of all frames are dropped; the first
    // such drop gives DRUVEX_ERROR_OUT_OF_MEMORY as well.
    SensorError add_points(int32_t n, const DruvexSensorRawPointWithTime* raw,
                           const DruvexSensorImagePoint* image);

    // Hands every completed frame to the raw-frames and then the image-frames
    // callback. The callbacks run without the frame's data lock, so they may
    // call back into the SDK (sensor information, frame options, clear).
    void flush();

    // Restarts detection with new options; points and frame count stay.
    SensorError set_options(const DruvexSDKFrameOptions& options);

    // The idle check (counted by the frame registry) after which a packet of
    // the sensor last came.
    void mark_active(int64_t check) { last_active_.store(check, std::memory_order_relaxed); }
    // No packet after check `since`, and buffers not yet given back since.
    bool idle_since(int64_t since) const {
        return last_active_.load(std::memory_order_relaxed) <= since;
    }
    // Called with each packet's time before its points are added. A replayed
    // sensor's packet older than the one before it means the replay jumped
    // back (a seek, a loop, a paused replay's refill): the unfinished frame
    // holds points of the stretch it left, so it starts over rather than
    // join them to the new ones.
    void follow_packet_time(int64_t packet_usec);
    // Gives back every buffer when no packet came after check `since`: the
    // unfinished frame is dropped, the frame count stays. A replayed sensor
    // keeps its unfinished frame in buffers shrunk to it: a paused replay
    // goes on with it. False when it was not idle, is delivering, or held
    // nothing it could give back.
    bool release_if_idle(int64_t since);
    // Bytes of point storage held, pending or kept for delivery.
    size_t held_bytes();

    const std::shared_ptr<Sensor>& sensor() const { return sensor_; }

private:
    // A completed frame waiting in the outgoing buffers.
    struct Segment {
        size_t n_raw;
        size_t n_image;
        bool deliver;  // false for the first frames, which are withheld
    };

    void collect_all();
    void collect_detected();
    void take_front(size_t n_raw, size_t n_image, bool deliver);
    void deliver_collected();
    void discard_pending();
    void forget_points();
    size_t pending_points() const { return raw_points_.size() + image_points_.size(); }
    void release_delivered();
    bool shrink_to_pending();

    // Serialises flushes; held while the callbacks run. Taken before mutex_.
    std::mutex delivery_mutex_;
    std::mutex mutex_;
    std::shared_ptr<Sensor> sensor_;
    uint64_t handle_;
    bool replayed_;                             // fed by a replay: its handle marks it
    std::atomic<int64_t> last_packet_usec_{0};  // a replayed sensor's last packet
    uint32_t return_count_;
    uint32_t raw_per_sample_;
    uint32_t image_per_sample_;
    size_t max_pending_;
    std::vector<DruvexSensorRawPointWithTime> raw_points_;
    std::vector<DruvexSensorImagePoint> image_points_;
    int32_t processed_ = 0;
    int32_t completed_ = 0;
    FrameDetector detector_;

    // Outgoing frames, filled under mutex_ and emptied under delivery_mutex_;
    // they keep their capacity from flush to flush, up to max_kept_points.
    std::vector<DruvexSensorRawPointWithTime> out_raw_;
    std::vector<DruvexSensorImagePoint> out_image_;
    std::vector<Segment> segments_;
    // Set to `resting` once the buffers are given back, until the next packet.
    static constexpr int64_t resting = INT64_MAX;
    std::atomic<int64_t> last_active_{0};
};

}  // namespace druvex_sdk
