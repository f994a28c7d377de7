// Reading, writing and editing the clip settings.
#include "clips_store.h"

#include "platform/numeric_utils.h"

namespace druvex {

ImageClip::ImageClip() {
    const float limit = std::tan(degrees_to_radians(85.0f));
    min_image_x = min_image_z = -limit;
    max_image_x = max_image_z = limit;
}

namespace {

// Each record is a list of (key, member) pairs so reading and writing share it.
template <typename Box, typename Fn>
void focus_fields(Box& f, Fn&& fn) {
    fn("min_x", f.min_x);
    fn("max_x", f.max_x);
    fn("min_y", f.min_y);
    fn("max_y", f.max_y);
    fn("min_z", f.min_z);
    fn("max_z", f.max_z);
}

template <typename Ground, typename Fn>
void ground_fields(Ground& g, Fn&& fn) {
    fn("height", g.height);
    fn("max_distance", g.max_distance);
}

template <typename Clip, typename Fn>
void image_clip_fields(Clip& c, Fn&& fn) {
    fn("min_image_x", c.min_image_x);
    fn("max_image_x", c.max_image_x);
    fn("min_image_z", c.min_image_z);
    fn("max_image_z", c.max_image_z);
    fn("min_distance", c.min_distance);
    fn("max_distance", c.max_distance);
}

template <typename Record, typename Fields>
void record_to_json(const Record& record, json& j, Fields fields) {
    fields(record, [&j](const char* key, float v) { j[key] = float_to_json(v); });
}

// A member of the wrong type fails the record; the caller drops it whole.
template <typename Record, typename Fields>
bool record_from_json(Record& record, const json& j, Fields fields) {
    Record read = record;
    try {
        fields(read, [&j](const char* key, float& v) { get_json_field(j, key, v); });
    } catch (const std::exception&) {
        return false;
    }
    record = read;
    return true;
}

constexpr auto focus_list = [](auto& r, auto&& fn) { focus_fields(r, fn); };
constexpr auto ground_list = [](auto& r, auto&& fn) { ground_fields(r, fn); };
constexpr auto image_clip_list = [](auto& r, auto&& fn) { image_clip_fields(r, fn); };

// The walk over the members of an object; ends at the first bad image clip.
bool take_members(ClipsStore& store, ImageClips& clips, const json& j) {
    bool result = true;
    for (auto it = j.begin(); it != j.end(); ++it) {
        if (it.key() == "focus") {
            FocusBox focus;
            if (focus_box_from_json(focus, it.value())) {
                store.focus = focus;
            } else {
                result = false;
            }
        } else if (it.key() == "ground") {
            GroundClip ground;
            if (ground_clip_from_json(ground, it.value())) {
                store.ground = ground;
            } else {
                result = false;
            }
        } else {
            const uint64_t serial = serial_of_member(it.key());
            ImageClip clip;
            if (serial == 0 || !image_clip_from_json(clip, it.value())) return false;
            clips[serial] = clip;
        }
    }
    return result;
}

}  // namespace

bool is_finite(const ImageClip& clip) {
    bool finite = true;
    image_clip_fields(clip, [&finite](const char*, float v) { finite &= std::isfinite(v); });
    return finite;
}

void ClipsStore::reset() {
    path.clear();
    set_image_clips({});
    focus = FocusBox();
    ground = GroundClip();
}

bool ClipsStore::load(const std::string& file, bool set_path, std::string* reason) {
    const auto clear = [this] {
        const std::string kept_path = path;
        reset();
        path = kept_path;
    };
    return load_store_file(
        path, file, set_path, clear, [this](const json& j) { return clips_from_json(*this, j); },
        reason);
}

bool ClipsStore::save(const std::string& file, bool set_path) {
    return save_store_file(path, file, set_path, [this](json& j) { clips_to_json(*this, j); });
}

void focus_box_to_json(const FocusBox& box, json& j) { record_to_json(box, j, focus_list); }

void ground_clip_to_json(const GroundClip& ground, json& j) {
    record_to_json(ground, j, ground_list);
}

void image_clip_to_json(const ImageClip& clip, json& j) {
    record_to_json(clip, j, image_clip_list);
}

bool focus_box_from_json(FocusBox& box, const json& j) {
    return record_from_json(box, j, focus_list);
}

bool ground_clip_from_json(GroundClip& ground, const json& j) {
    return record_from_json(ground, j, ground_list);
}

bool image_clip_from_json(ImageClip& clip, const json& j) {
    return record_from_json(clip, j, image_clip_list);
}

void clips_to_json(const ClipsStore& store, json& j) {
    focus_box_to_json(store.focus, j["focus"]);
    ground_clip_to_json(store.ground, j["ground"]);
    for (const auto& [serial, clip] : *store.image_clips())
        image_clip_to_json(clip, j[std::to_string(serial)]);
}

bool clips_from_json(ClipsStore& store, const json& j) {
    return store.image_clips_.take_from_json(j, [&store](ImageClips& clips, const json& members) {
        return take_members(store, clips, members);
    });
}

}  // namespace druvex
