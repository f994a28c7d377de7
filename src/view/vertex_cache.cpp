// Keeping a frame's drawn points until their inputs change.
#include "vertex_cache.h"

namespace druvex {
namespace {

// Field by field rather than by bytes: equal values with different bits (0
// and -0) build the same points, and a NaN bound never matches, which only
// costs a rebuild.
bool same_clip(const ImageClip& a, const ImageClip& b) {
    return a.min_image_x == b.min_image_x && a.max_image_x == b.max_image_x &&
           a.min_image_z == b.min_image_z && a.max_image_z == b.max_image_z &&
           a.min_distance == b.min_distance && a.max_distance == b.max_distance;
}

}  // namespace

// In place: this runs for every point of every frame.
void apply_pose(const SensorPose& m, PointVertex* v, size_t n) {
    for (size_t i = 0; i < n; ++i) apply_affine(m, v[i].x, v[i].y, v[i].z);
}

bool VertexKey::operator==(const VertexKey& other) const {
    return color_mode == other.color_mode && weight == other.weight &&
           stream_index == other.stream_index && show_invalid == other.show_invalid &&
           clipped == other.clipped && (!clipped || same_clip(clip, other.clip)) &&
           channel_mask == other.channel_mask && return_mask == other.return_mask &&
           posed == other.posed && (!posed || pose == other.pose);
}

void VertexCache::begin(const VertexKey& key, bool timed) {
    key_ = key;
    timed_ = timed;
    filled_ = true;
    vertices_.clear();
    timestamps_.clear();
}

void VertexCache::add(const PointVertex& v, int64_t timestamp) {
    vertices_.push_back(v);
    if (timed_) timestamps_.push_back(timestamp);
}

void VertexCache::finish() {
    if (key_.posed) apply_pose(key_.pose, vertices_.data(), vertices_.size());
}

void VertexCache::append_to(std::vector<PointVertex>& out, int64_t now_us) const {
    const size_t start = out.size();
    out.insert(out.end(), vertices_.begin(), vertices_.end());
    if (!timed_) return;
    PointVertex* v = out.data() + start;
    for (size_t i = 0; i < timestamps_.size(); ++i)
        v[i].intensity = static_cast<float>(timestamps_[i] - now_us);
}

}  // namespace druvex
