// Reading and writing the viewer's JSON settings files, and the float and
// array conversions that all three files share.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

namespace druvex {

using json = nlohmann::json;

// The largest settings file read. The viewer's own are far smaller (a few
// hundred bytes a view or sensor); a larger one is not read at all, so that
// it cannot take the memory of the whole machine.
constexpr size_t max_settings_file_bytes = size_t(4) << 20;

// Parses the whole file as one JSON value (a leading UTF-8 byte-order mark is
// skipped, trailing content is an error). Only a regular file of at most
// max_settings_file_bytes is read: a named pipe or a device is never waited
// on. Leaves `out` unchanged and returns false on any failure, with
// `reason` (when given) saying why: the file's own trouble (see
// read_regular_file) or "not valid JSON at line L, column C".
bool read_json_file(json& out, const std::string& path, std::string* reason = nullptr);
// The text a settings file holds: indent 4, members in key order, no line
// feed after the last brace.
std::string json_file_text(const json& value);
// Writes json_file_text atomically (see write_file_atomically); false when the
// text cannot be made or the file cannot be written.
bool write_json_file(const json& value, const std::string& path);

// A float widened to double with 15 significant digits; NaN and infinities
// become null.
json float_to_json(float value);
// Count 0 gives null.
json float_array_to_json(const float* values, size_t count);

// Converts a number (or a boolean as 0/1) to float. Null, and a number beyond
// the float range, is "absent": false with `out` unchanged. Other types throw.
bool json_to_float(const json& value, float& out);
// Reads elements 0 to count - 1 (count 0: all of them) as json_to_float does;
// a null element leaves its value unchanged. Throws for a value that is not
// an array, a missing element or an element of another type.
void float_array_from_json(const json& value, float* out, size_t count);

// The file a store's load or save acts on: `file`, or `stored` (the store's
// own path) when `file` is empty; "" when both are. With `set_path` a given
// file becomes the store's path.
std::string resolve_store_path(std::string& stored, const std::string& file, bool set_path);

// The serial number a member of the clips or transforms file is named by:
// base-10 from its leading digits ("12abc" is 12, "00042" is 42, "-4" wraps
// to 2^64 - 4, as it is written back); 0 when the name does not start with a
// number.
uint64_t serial_of_member(const std::string& name);

// The member `key` of `object`; null when `object` is not an object, has no
// such member, or the member is null (which is how NaN and infinities are
// saved, so it reads as "absent").
const json* json_member(const json& object, const char* key);

// If `object` has the member `key`, converts it with json_to_float (errors
// propagate); otherwise `value` stays.
template <typename T>
void get_json_field(const json& object, const char* key, T& value);

template <>
inline void get_json_field<float>(const json& object, const char* key, float& value) {
    if (const json* m = json_member(object, key)) json_to_float(*m, value);
}

}  // namespace druvex
