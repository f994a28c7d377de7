// Sensor poses by serial number, kept in one JSON file.
#pragma once

#include "per_serial_store.h"
#include "sensor_transform.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace druvex {

// The default transforms file's name in the data directory.
constexpr const char* transforms_file_name = "druvex_transforms.json";

using SensorTransforms = std::map<uint64_t, SensorTransform>;

// False when a value is not finite: such a pose could not be saved.
bool is_finite(const SensorTransform& transform);

// The application's poses. `path` belongs to the GUI thread. The poses are
// edited on the GUI thread and may be read from any thread.
class TransformsStore {
public:
    // Path emptied, every pose erased.
    void clear();

    // A copy of the serial's pose, or the identity; nothing is inserted.
    SensorTransform get_transform(uint64_t serial) const { return poses_.get(serial); }
    // Inserts or overwrites; a pose that is not finite is refused (false).
    bool set_transform(uint64_t serial, const SensorTransform& transform) {
        return poses_.set(serial, transform);
    }
    // Every pose as of now; later edits do not change the snapshot.
    std::shared_ptr<const SensorTransforms> transforms() const { return poses_.snapshot(); }
    void set_transforms(SensorTransforms transforms) { poses_.publish(std::move(transforms)); }
    // Changes with every edit of the poses.
    uint64_t version() const { return poses_.version(); }

    // An empty `file` means the store's path; with none, false at once and
    // nothing changes. `set_path` makes `file` the store's path (a file of
    // its own is not autosaved to the default place).
    // Load erases the poses (not the path) first; on failure it keeps the
    // poses read before the bad member. False when the file cannot be read
    // or holds something other than a JSON object (or null); `reason` (when
    // given) then says why (see load_store_file).
    bool load(const std::string& file, bool set_path, std::string* reason = nullptr);
    bool save(const std::string& file, bool set_path);

    std::string path;

private:
    friend bool transforms_from_json(TransformsStore& store, const json& j);
    PerSerialRecords<SensorTransform> poses_;
};

// One member per pose, named by the serial number; no poses give null.
void transforms_to_json(const TransformsStore& store, json& j);
// Walks the members in name order; a member whose name is not a serial
// number is skipped, a bad pose ends the walk with false (poses taken before
// stay).
bool transforms_from_json(TransformsStore& store, const json& j);

void sensor_transform_to_json(const SensorTransform& transform, json& j);
// "rotation" (4 numbers, or 3 with w made from them) and "translation" (the
// first 3 of at least 3 numbers) are optional; null counts as absent.
bool sensor_transform_from_json(SensorTransform& transform, const json& j);

}  // namespace druvex
