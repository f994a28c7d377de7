// Reading and writing the viewer's JSON settings files.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace druvex {

using json = nlohmann::json;

// Leaves `out` unchanged and returns false on any failure.
bool read_json_file(json& out, const std::string& path);
// Indent 4, members in key order; false when the file cannot be written.
bool write_json_file(const json& value, const std::string& path);

// NaN and infinities become null; a count of 0 gives null.
json float_array_to_json(const float* values, size_t count);
// Count 0 reads as many elements as the array has. Throws on a malformed value.
void float_array_from_json(const json& value, float* out, size_t count);

// Reads a number (or a boolean as 0/1); other types throw.
float json_to_float(const json& value);

template <typename T>
void get_json_field(const json& object, const char* key, T& value);

template <>
inline void get_json_field<float>(const json& object, const char* key, float& value) {
    if (object.is_object() && object.contains(key)) value = json_to_float(object.at(key));
}

}  // namespace druvex
