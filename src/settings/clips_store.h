// Point clipping settings: the focus box, the ground cylinder and one image
// clip per sensor serial number, kept in one JSON file.
#pragma once

#include <druvex_sdk.h>

#include <cstdint>
#include <map>
#include <string>

namespace druvex {

struct FocusBox {
    float min_x = -10000.0f, max_x = 10000.0f;
    float min_y = -10000.0f, max_y = 10000.0f;
    float min_z = -10000.0f, max_z = 10000.0f;

    // The box is open: a point on a face is outside. Bitwise, not
    // short-circuit: every point of every frame goes through here, and the
    // comparisons are cheaper than the branches.
    bool excludes(float x, float y, float z) const {
        return (x <= min_x) | (x >= max_x) | (y <= min_y) | (y >= max_y) | (z <= min_z) |
               (z >= max_z);
    }
};

struct GroundClip {
    float height = -10000.0f;
    float max_distance = 0.0f;

    // At or below the height and within the horizontal distance.
    bool contains(float x, float y, float z) const {
        return (z <= height) & (max_distance >= 0.0f) &
               (x * x + y * y <= max_distance * max_distance);
    }
};

struct ImageClip {
    ImageClip();
    float min_image_x, max_image_x, min_image_z, max_image_z;  // tangents
    float min_distance = 0.0f, max_distance = 10000.0f;

    // All limits are open.
    bool excludes(const DruvexSensorImagePoint& p) const {
        return p.image_x <= min_image_x || p.image_x >= max_image_x || p.image_z <= min_image_z ||
               p.image_z >= max_image_z || p.distance <= min_distance || p.distance >= max_distance;
    }
};

class ClipsStore {
public:
    void reset();
    ImageClip get_image_clip(uint64_t serial) const;
    void set_image_clip(uint64_t serial, const ImageClip& clip) { image_clips[serial] = clip; }

    // `set_path` makes the file the store's own (it is then not autosaved to
    // the default place). False when the file cannot be read or written.
    bool load(const std::string& file, bool set_path);
    bool save(const std::string& file, bool set_path);

    FocusBox focus;
    GroundClip ground;
    std::string path;
    std::map<uint64_t, ImageClip> image_clips;
};

}  // namespace druvex
