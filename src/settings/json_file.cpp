// JSON settings files on disk and the shared float conversions.
#include "json_file.h"

#include "platform/safe_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <stdexcept>

namespace druvex {

namespace {

// Where the byte at `offset` stands, as an editor shows it: lines and columns from 1.
std::string text_position(const std::string& text, size_t offset) {
    offset = std::min(offset, text.size());
    const size_t line_start = offset == 0 ? 0 : text.rfind('\n', offset - 1) + 1;  // npos + 1 is 0
    const auto lines = std::count(text.begin(), text.begin() + std::ptrdiff_t(offset), '\n');
    return "line " + std::to_string(lines + 1) + ", column " +
           std::to_string(offset - line_start + 1);
}

bool parse_json_text(json& out, const std::string& text, std::string& reason) {
    // A byte-order mark is no character an editor shows: columns count without it.
    const char* const bom = "\xEF\xBB\xBF";
    const size_t skip = text.compare(0, 3, bom) == 0 ? 3 : 0;
    try {
        json parsed = json::parse(text.begin() + std::ptrdiff_t(skip), text.end());
        out = std::move(parsed);
        return true;
    } catch (const json::parse_error& error) {
        // `byte` counts from 1 and points at the character that did not fit.
        const size_t at = error.byte == 0 ? 0 : size_t(error.byte) - 1;
        reason = "not valid JSON at " + text_position(text.substr(skip), at);
    } catch (const std::exception& error) {
        reason = error.what();  // out of memory
    }
    return false;
}

}  // namespace

bool read_json_file(json& out, const std::string& path, std::string* reason) {
    std::string text, why;
    const bool read = read_regular_file(path, max_settings_file_bytes, text, why) &&
                      parse_json_text(out, text, why);
    if (!read && reason != nullptr) *reason = why;
    return read;
}

std::string json_file_text(const json& value) {
    // A caption is whatever bytes the user typed: a byte that is not UTF-8
    // is written as U+FFFD instead of failing the whole save.
    return value.dump(4, ' ', false, json::error_handler_t::replace);
}

bool write_json_file(const json& value, const std::string& path) {
    std::string text;
    try {
        text = json_file_text(value);
    } catch (const std::exception&) {
        return false;  // out of memory
    }
    return write_file_atomically(path, text);
}

json float_to_json(float value) {
    if (!std::isfinite(value)) return nullptr;
    // The shortest text that reads back as this double has up to 17 digits;
    // 15 are plenty for a float and keep hand-edited files readable.
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", static_cast<double>(value));
    return std::strtod(text, nullptr);
}

json float_array_to_json(const float* values, size_t count) {
    json array;  // null when count is 0
    for (size_t i = 0; i < count; ++i) array.push_back(float_to_json(values[i]));
    return array;
}

bool json_to_float(const json& value, float& out) {
    double v = 0.0;
    if (value.is_null()) return false;
    if (value.is_boolean()) {
        v = value.get<bool>() ? 1.0 : 0.0;
    } else if (value.is_number()) {
        v = value.get<double>();
    } else {
        throw std::runtime_error(std::string("type must be number, but is ") + value.type_name());
    }
    // A double beyond the float range would become an infinity.
    if (!(std::fabs(v) <= std::numeric_limits<float>::max())) return false;
    out = static_cast<float>(v);
    return true;
}

void float_array_from_json(const json& value, float* out, size_t count) {
    if (!value.is_array()) {
        throw std::runtime_error(std::string("cannot read an array from ") + value.type_name());
    }
    const size_t n = count == 0 ? value.size() : count;
    for (size_t i = 0; i < n; ++i) json_to_float(value.at(i), out[i]);
}

const json* json_member(const json& object, const char* key) {
    if (!object.is_object()) return nullptr;
    const auto it = object.find(key);
    return it == object.end() || it->is_null() ? nullptr : &*it;
}

uint64_t serial_of_member(const std::string& name) {
    // strtoull, not strtoll: the same value for every name strtoll reads
    // (a leading minus wraps as it does for a signed number), and also for
    // the names of serials at or above 2^63, which strtoll would cut to
    // 2^63 - 1, saving one sensor's settings under another's number.
    return std::strtoull(name.c_str(), nullptr, 10);
}

std::string resolve_store_path(std::string& stored, const std::string& file, bool set_path) {
    if (file.empty()) return stored;
    if (set_path) stored = file;
    return file;
}

}  // namespace druvex
