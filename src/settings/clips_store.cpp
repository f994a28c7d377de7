// Reading, writing and testing the clip settings.
#include "clips_store.h"

#include "json_file.h"
#include "platform/numeric_utils.h"

#include <cmath>

namespace druvex {

ImageClip::ImageClip() {
    const float limit = std::tan(degrees_to_radians(85.0f));
    min_image_x = min_image_z = -limit;
    max_image_x = max_image_z = limit;
}

void ClipsStore::reset() {
    path.clear();
    image_clips.clear();
    focus = FocusBox();
    ground = GroundClip();
}

ImageClip ClipsStore::get_image_clip(uint64_t serial) const {
    auto it = image_clips.find(serial);
    return it == image_clips.end() ? ImageClip() : it->second;
}

namespace {

// Each record is a list of (key, member) pairs so reading and writing share it.
template <typename Fn>
void focus_fields(FocusBox& f, Fn fn) {
    fn("min_x", f.min_x);
    fn("max_x", f.max_x);
    fn("min_y", f.min_y);
    fn("max_y", f.max_y);
    fn("min_z", f.min_z);
    fn("max_z", f.max_z);
}

template <typename Fn>
void ground_fields(GroundClip& g, Fn fn) {
    fn("height", g.height);
    fn("max_distance", g.max_distance);
}

template <typename Fn>
void image_clip_fields(ImageClip& c, Fn fn) {
    fn("min_image_x", c.min_image_x);
    fn("max_image_x", c.max_image_x);
    fn("min_image_z", c.min_image_z);
    fn("max_image_z", c.max_image_z);
    fn("min_distance", c.min_distance);
    fn("max_distance", c.max_distance);
}

struct Writer {
    json& j;
    void operator()(const char* key, float v) const { j[key] = float_array_to_json(&v, 1)[0]; }
};

struct Reader {
    const json& j;
    void operator()(const char* key, float& v) const { get_json_field(j, key, v); }
};

}  // namespace

bool ClipsStore::load(const std::string& file, bool set_path) {
    json j;
    if (!read_json_file(j, file) || !j.is_object()) return false;
    try {
        for (auto it = j.begin(); it != j.end(); ++it) {
            if (it.key() == "focus") {
                focus_fields(focus, Reader{it.value()});
            } else if (it.key() == "ground") {
                ground_fields(ground, Reader{it.value()});
            } else {
                ImageClip clip;
                image_clip_fields(clip, Reader{it.value()});
                image_clips[std::stoull(it.key())] = clip;
            }
        }
    } catch (const std::exception&) {
        return false;  // entries read before the malformed one are kept
    }
    if (set_path) path = file;
    return true;
}

bool ClipsStore::save(const std::string& file, bool set_path) {
    json j = json::object();
    focus_fields(focus, Writer{j["focus"]});
    ground_fields(ground, Writer{j["ground"]});
    for (auto& [serial, clip] : image_clips)
        image_clip_fields(clip, Writer{j[std::to_string(serial)]});
    if (!write_json_file(j, file)) return false;
    if (set_path) path = file;
    return true;
}

}  // namespace druvex
