// Point clipping settings: the focus box, the ground cylinder and one image
// clip per sensor serial number, kept in one JSON file.
#pragma once

#include "per_serial_store.h"

#include <druvex_sdk.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace druvex {

// Metres, viewer coordinates.
struct FocusBox {
    float min_x = -10000.0f, max_x = 10000.0f;
    float min_y = -10000.0f, max_y = 10000.0f;
    float min_z = -10000.0f, max_z = 10000.0f;

    // The box is open: a point on a face is outside, a NaN coordinate never
    // is. Bitwise, not short-circuit: every point of every frame goes through
    // here, and the comparisons are cheaper than the branches.
    bool excludes(float x, float y, float z) const {
        return (x <= min_x) | (x >= max_x) | (y <= min_y) | (y >= max_y) | (z <= min_z) |
               (z >= max_z);
    }
};

// The default takes no real point.
struct GroundClip {
    float height = -10000.0f;
    float max_distance = 0.0f;

    // At or below the height and within the horizontal distance, both bounds
    // inclusive.
    bool contains(float x, float y, float z) const {
        const float r = std::sqrt(x * x + y * y);
        return (r <= max_distance) & (z <= height);
    }
};

// Limits on a sensor's image points: image x and z are tangents of the
// horizontal and vertical angle, distances are metres.
struct ImageClip {
    ImageClip();  // +-85 degrees, 0 to 10000 m
    float min_image_x, max_image_x, min_image_z, max_image_z;
    float min_distance = 0.0f, max_distance = 10000.0f;

    // All limits are open: a point at distance 0 is excluded by default.
    bool excludes(const DruvexSensorImagePoint& p) const {
        return p.image_x <= min_image_x || p.image_x >= max_image_x || p.image_z <= min_image_z ||
               p.image_z >= max_image_z || p.distance <= min_distance || p.distance >= max_distance;
    }
};

// The default clips file's name in the data directory.
constexpr const char* clips_file_name = "druvex_clips.json";

using ImageClips = std::map<uint64_t, ImageClip>;

// False when a limit is not finite: such a clip could not be saved.
bool is_finite(const ImageClip& clip);

// The application's clips. `focus`, `ground` and `path` belong to the GUI
// thread (panels bind the fields directly). The image clips are edited on the
// GUI thread and may be read from any thread.
class ClipsStore {
public:
    // Path emptied, image clips erased, focus and ground back to their defaults.
    void reset();

    // A copy of the serial's clip, or the default clip; nothing is inserted.
    ImageClip get_image_clip(uint64_t serial) const { return image_clips_.get(serial); }
    // Inserts or overwrites; a clip that is not finite is refused (false).
    bool set_image_clip(uint64_t serial, const ImageClip& clip) {
        return image_clips_.set(serial, clip);
    }
    // Every image clip as of now; later edits do not change the snapshot.
    std::shared_ptr<const ImageClips> image_clips() const { return image_clips_.snapshot(); }
    void set_image_clips(ImageClips clips) { image_clips_.publish(std::move(clips)); }
    // Changes with every edit of the image clips.
    uint64_t image_clips_version() const { return image_clips_.version(); }

    // An empty `file` means the store's path; with none, false at once and
    // nothing changes. `set_path` makes `file` the store's path (a file of
    // its own is not autosaved to the default place).
    // Load resets the values (not the path) first; on failure it keeps what
    // was read before the bad member. False when the file cannot be read or
    // holds something other than a JSON object (or null); `reason` (when
    // given) then says why (see load_store_file).
    bool load(const std::string& file, bool set_path, std::string* reason = nullptr);
    bool save(const std::string& file, bool set_path);

    FocusBox focus;
    GroundClip ground;
    std::string path;

private:
    friend bool clips_from_json(ClipsStore& store, const json& j);
    PerSerialRecords<ImageClip> image_clips_;
};

// The file's JSON form: "focus", "ground", and one object per serial number.
void clips_to_json(const ClipsStore& store, json& j);
// Walks the members in name order. A bad "focus" or "ground" keeps the old
// one and makes the result false; a member that is not a serial number, or a
// bad image clip, ends the walk with false (what was taken before stays).
bool clips_from_json(ClipsStore& store, const json& j);

void focus_box_to_json(const FocusBox& box, json& j);
void ground_clip_to_json(const GroundClip& ground, json& j);
void image_clip_to_json(const ImageClip& clip, json& j);
// Every member is optional; a member that is null or beyond the float range
// counts as absent. False for a member of another type than number or
// boolean. A value that is not an object leaves the record as it is.
bool focus_box_from_json(FocusBox& box, const json& j);
bool ground_clip_from_json(GroundClip& ground, const json& j);
bool image_clip_from_json(ImageClip& clip, const json& j);

}  // namespace druvex
