// Reading, writing and converting the stored sensor poses.
#include "transforms_store.h"

#include "json_file.h"

#include <Eigen/Geometry>

#include <cmath>

namespace druvex {

Eigen::Matrix<float, 3, 4> SensorTransform::matrix() const {
    const Eigen::Quaternionf q(rotation[3], rotation[0], rotation[1], rotation[2]);
    Eigen::Matrix<float, 3, 4> m;
    m.leftCols<3>() = q.normalized().toRotationMatrix();
    m.col(3) = Eigen::Vector3f(translation[0], translation[1], translation[2]);
    return m;
}

EulerAngles quaternion_to_euler(const float rotation[4]) {
    const Eigen::Quaternionf q(rotation[3], rotation[0], rotation[1], rotation[2]);
    const Eigen::Vector3f a = q.normalized().toRotationMatrix().eulerAngles(1, 0, 2);
    return {a[0], a[1], a[2]};
}

void TransformsStore::clear() {
    path.clear();
    transforms.clear();
}

SensorTransform TransformsStore::get_transform(uint64_t serial) const {
    auto it = transforms.find(serial);
    return it == transforms.end() ? SensorTransform() : it->second;
}

bool TransformsStore::load(const std::string& file, bool set_path) {
    json j;
    if (!read_json_file(j, file)) return false;
    if (j.is_object()) {
        try {
            for (auto it = j.begin(); it != j.end(); ++it) {
                SensorTransform t;
                const json& pose = it.value();
                if (pose.contains("rotation"))
                    float_array_from_json(pose.at("rotation"), t.rotation, 4);
                if (pose.contains("translation")) {
                    float_array_from_json(pose.at("translation"), t.translation, 3);
                }
                transforms[std::stoull(it.key())] = t;
            }
        } catch (const std::exception&) {
            return false;
        }
    }
    if (set_path) path = file;
    return true;
}

bool TransformsStore::save(const std::string& file, bool set_path) {
    json j;  // no poses: the document is null
    for (const auto& [serial, t] : transforms) {
        json& pose = j[std::to_string(serial)];
        pose["rotation"] = float_array_to_json(t.rotation, 4);
        pose["translation"] = float_array_to_json(t.translation, 3);
    }
    if (!write_json_file(j, file)) return false;
    if (set_path) path = file;
    return true;
}

}  // namespace druvex
