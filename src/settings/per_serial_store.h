// What the clips and transforms stores share: records kept per sensor serial
// number for other threads to read, and the load and save of a store's file.
#pragma once

#include "json_file.h"
#include "published.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace druvex {

// Edited on the GUI thread, read from any thread (streams are made on the
// SDK's frame thread). `Record` needs a default (what an unknown serial gets)
// and an `is_finite(const Record&)` found by argument lookup.
template <typename Record>
class PerSerialRecords {
public:
    using Map = std::map<uint64_t, Record>;

    // A copy of the serial's record, or the default; nothing is inserted.
    Record get(uint64_t serial) const {
        const auto records = snapshot();
        const auto it = records->find(serial);
        return it == records->end() ? Record() : it->second;
    }
    // Inserts or overwrites. A record holding a value that is not finite is
    // refused (false, nothing stored): it could not be saved.
    bool set(uint64_t serial, const Record& record) {
        if (!is_finite(record)) return false;
        Map records = *snapshot();
        records[serial] = record;
        publish(std::move(records));
        return true;
    }
    // Every record as of now; later edits do not change the snapshot.
    std::shared_ptr<const Map> snapshot() const { return records_.get(); }
    void publish(Map records) { records_.publish(std::move(records)); }
    // Changes with every edit.
    uint64_t version() const { return records_.version(); }

    // The file's members, named by serial number, taken into the records:
    // null is an empty file, anything but an object (an array, a number) is
    // not this store's file. `take(map, j)` walks the members; what it took
    // before a bad member stays.
    template <typename Take>
    bool take_from_json(const json& j, Take&& take) {
        if (j.is_null()) return true;
        if (!j.is_object()) return false;
        Map records = *snapshot();
        const bool result = take(records, j);
        publish(std::move(records));
        return result;
    }

private:
    Published<Map> records_;
};

// An empty `file` means the store's `path`; with neither, false at once and
// nothing changes. `set_path` makes `file` the store's path. Load runs
// `clear` (the values, not the path) and then `from_json` on what the file
// holds; false when it cannot be read, with `reason` (when given) saying why:
// as read_json_file does, or "not a valid file" for JSON that is not the
// store's.
template <typename Clear, typename FromJson>
bool load_store_file(std::string& path, const std::string& file, bool set_path, Clear&& clear,
                     FromJson&& from_json, std::string* reason = nullptr) {
    const std::string resolved = resolve_store_path(path, file, set_path);
    if (resolved.empty()) return false;
    clear();
    json j;
    if (!read_json_file(j, resolved, reason)) return false;
    if (from_json(j)) return true;
    if (reason != nullptr) *reason = "not a valid file";
    return false;
}

template <typename ToJson>
bool save_store_file(std::string& path, const std::string& file, bool set_path, ToJson&& to_json) {
    const std::string resolved = resolve_store_path(path, file, set_path);
    if (resolved.empty()) return false;
    json j;
    to_json(j);
    return write_json_file(j, resolved);
}

}  // namespace druvex
