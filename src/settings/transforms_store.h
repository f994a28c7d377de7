// Sensor poses by serial number, kept in one JSON file.
#pragma once

#include <Eigen/Core>

#include <cstdint>
#include <map>
#include <string>

namespace druvex {

struct SensorTransform {
    float rotation[4] = {0.0f, 0.0f, 0.0f, 1.0f};  // quaternion x, y, z, w
    float translation[3] = {0.0f, 0.0f, 0.0f};

    // World = R * p + t.
    Eigen::Matrix<float, 3, 4> matrix() const;
};

struct EulerAngles {
    float azimuth = 0.0f, elevation = 0.0f, roll = 0.0f;
};

// Rotation about Y (azimuth), then X (elevation), then Z (roll).
EulerAngles quaternion_to_euler(const float rotation[4]);

class TransformsStore {
public:
    void clear();
    SensorTransform get_transform(uint64_t serial) const;
    void set_transform(uint64_t serial, const SensorTransform& t) { transforms[serial] = t; }

    bool load(const std::string& file, bool set_path);
    bool save(const std::string& file, bool set_path);

    std::string path;
    std::map<uint64_t, SensorTransform> transforms;
};

}  // namespace druvex
