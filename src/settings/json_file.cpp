// Loading and saving JSON settings files.
#include "json_file.h"

#include <cmath>
#include <fstream>
#include <stdexcept>

namespace druvex {

bool read_json_file(json& out, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    try {
        // The parser skips a leading UTF-8 byte-order mark and rejects trailing content.
        json parsed = json::parse(in);
        out = std::move(parsed);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool write_json_file(const json& value, const std::string& path) {
    std::string text;
    try {
        text = value.dump(4);
    } catch (const std::exception&) {
        return false;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    return !out.fail();
}

json float_array_to_json(const float* values, size_t count) {
    json array;  // null when count is 0
    for (size_t i = 0; i < count; ++i) {
        const double v = values[i];
        if (std::isfinite(v)) {
            array.push_back(v);
        } else {
            array.push_back(nullptr);
        }
    }
    return array;
}

float json_to_float(const json& value) {
    if (value.is_boolean()) return value.get<bool>() ? 1.0f : 0.0f;
    if (value.is_number()) return value.get<float>();
    throw std::runtime_error(std::string("type must be number, but is ") + value.type_name());
}

void float_array_from_json(const json& value, float* out, size_t count) {
    if (!value.is_array()) throw std::runtime_error("value is not an array");
    const size_t n = count == 0 ? value.size() : count;
    for (size_t i = 0; i < n; ++i) out[i] = json_to_float(value.at(i));
}

}  // namespace druvex
