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

    // The box is open: a point on a face is outside.
    bool excludes(float x, float y, float z) const;
};

struct GroundClip {
    float height = -10000.0f;
    float max_distance = 0.0f;

    bool contains(float x, float y, float z) const;
};

struct ImageClip {
    ImageClip();
    float min_image_x, max_image_x, min_image_z, max_image_z;  // tangents
    float min_distance = 0.0f, max_distance = 10000.0f;

    bool excludes(const DruvexSensorImagePoint& p) const;
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
