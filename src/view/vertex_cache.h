// A frame's drawn points, kept between draws: the frames of the retention
// window are drawn again on every screen frame, and most settings change far
// less often than that.
#pragma once

#include "render/point_program.h"
#include "settings/clips_store.h"
#include "settings/sensor_transform.h"

#include <cstdint>
#include <vector>

namespace druvex {

using SensorPose = Affine;

// Moves n points by the pose, in place.
void apply_pose(const SensorPose& m, PointVertex* v, size_t n);

// Everything besides the frame's own points that its drawn points depend on.
struct VertexKey {
    int32_t color_mode = 0;
    float weight = 0.0f;
    uint32_t stream_index = 0;
    bool show_invalid = false;
    bool clipped = false;  // the stream's image clip applies
    ImageClip clip;
    uint64_t channel_mask = 0;
    uint64_t return_mask = 0;
    bool posed = false;  // the stream's pose applies
    SensorPose pose{};

    bool operator==(const VertexKey& other) const;
};

// One frame's drawn points: at most one build, owned by the frame and gone
// with it when the stream trims its frames, so the memory follows the
// retention limit.
class VertexCache {
public:
    // Whether the kept points were built under this key.
    bool holds(const VertexKey& key) const { return filled_ && key == key_; }
    // Starts a fresh build under `key`; `timed` keeps a timestamp per point
    // because its colour value is its age at the time of drawing.
    void begin(const VertexKey& key, bool timed);
    void add(const PointVertex& v, int64_t timestamp);
    // Ends the build: the key's pose moves the points into the world.
    void finish();
    // Appends the kept points to `out`, ages taken against now_us when timed.
    void append_to(std::vector<PointVertex>& out, int64_t now_us) const;

private:
    bool filled_ = false;
    bool timed_ = false;
    VertexKey key_;
    std::vector<PointVertex> vertices_;
    std::vector<int64_t> timestamps_;
};

}  // namespace druvex
