// The clips and transforms files, the clip tests and the pose conversions.
#include "settings/clips_store.h"
#include "settings/transforms_store.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace druvex {
namespace {

std::string temp_file(const std::string& text) {
    char pattern[] = "/tmp/druvex_settings_XXXXXX";
    const int fd = ::mkstemp(pattern);
    ::close(fd);
    std::ofstream(pattern) << text;
    return pattern;
}

std::string saved_text(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Serial names are digits, so they sort before "focus" and "ground".
const char* const clips_text = R"({
    "42": {
        "max_distance": 80.0,
        "max_image_x": 0.5,
        "max_image_z": 11.4300451278687,
        "min_distance": 0.25,
        "min_image_x": -0.5,
        "min_image_z": -11.4300451278687
    },
    "focus": {
        "max_x": 5.0,
        "max_y": 10000.0,
        "max_z": 10000.0,
        "min_x": -5.0,
        "min_y": -10000.0,
        "min_z": -10000.0
    },
    "ground": {
        "height": -1.5,
        "max_distance": 20.0
    }
})";

const char* const transforms_text = R"({
    "7": {
        "rotation": [
            0.0,
            0.0,
            0.70710676908493,
            0.70710676908493
        ],
        "translation": [
            1.5,
            -2.0,
            0.25
        ]
    }
})";

TEST(ClipsFileTest, HandWrittenFileLoadsAndSavesBackToTheSameText) {
    const std::string path = temp_file(std::string(clips_text).replace(7, 2, "00042"));
    ClipsStore store;
    ASSERT_TRUE(store.load(path, true));
    EXPECT_EQ(store.path, path);
    EXPECT_EQ(store.focus.max_x, 5.0f);
    EXPECT_EQ(store.ground.height, -1.5f);
    EXPECT_EQ(store.get_image_clip(42).max_distance, 80.0f);
    ASSERT_TRUE(store.save("", false));
    EXPECT_EQ(saved_text(path), clips_text);  // "00042" is serial 42

    EXPECT_EQ(store.get_image_clip(43).max_image_x, ImageClip().max_image_x);
    EXPECT_EQ(store.image_clips()->size(), 1u);  // asking inserts nothing
    ImageClip bad;
    bad.max_distance = NAN;
    EXPECT_FALSE(store.set_image_clip(43, bad));
    EXPECT_EQ(store.image_clips()->size(), 1u);
}

TEST(ClipsFileTest, ReaderEdgeCases) {
    ClipsStore store;
    const auto load = [&store](const json& j) { return store.load(temp_file(j.dump()), false); };
    EXPECT_FALSE(load({{"0", json::object()}}));
    EXPECT_FALSE(load({{"abc", json::object()}}));
    EXPECT_FALSE(load({{"focus", {{"min_x", "1"}}}, {"ground", {{"height", 2}}}}));
    EXPECT_EQ(store.focus.min_x, FocusBox().min_x);
    EXPECT_EQ(store.ground.height, 2.0f);  // the walk went on
    EXPECT_EQ(store.ground.max_distance, 0.0f);
    EXPECT_TRUE(load({{"focus", 5}}));
    EXPECT_EQ(store.focus.max_x, 10000.0f);
    for (const json& top : {json::array({1}), json(3), json("s")}) EXPECT_FALSE(load(top));
    EXPECT_TRUE(load(nullptr));

    // A value saved as null (NaN once) is absent: the entries after it stay.
    ASSERT_TRUE(load({{"5", {{"max_distance", nullptr}}},
                      {"6", {{"max_distance", 9}}},
                      {"focus", {{"min_x", nullptr}}}}));
    EXPECT_EQ(store.get_image_clip(5).max_distance, 10000.0f);
    EXPECT_EQ(store.get_image_clip(6).max_distance, 9.0f);

    // An empty path with no path of its own changes nothing.
    store.focus.min_x = 1.0f;
    EXPECT_FALSE(store.load("", false));
    EXPECT_EQ(store.focus.min_x, 1.0f);
}

TEST(ClipsTest, BoundsOfTheClips) {
    const FocusBox box;
    EXPECT_TRUE(box.excludes(10000.0f, 0, 0));
    EXPECT_FALSE(box.excludes(std::nextafter(10000.0f, 0.0f), 0, 0));
    EXPECT_FALSE(box.excludes(NAN, 0, 0));
    const GroundClip ground{-1.0f, 5.0f};
    EXPECT_TRUE(ground.contains(3.0f, 4.0f, -1.0f));
    EXPECT_FALSE(ground.contains(3.0f, 4.01f, -1.0f));
    EXPECT_FALSE(GroundClip().contains(0.1f, 0, -20000.0f));  // no real point
    DruvexSensorImagePoint p{};
    EXPECT_TRUE(ImageClip().excludes(p));  // distance 0
    p.distance = 1.0f;
    EXPECT_FALSE(ImageClip().excludes(p));
    p.image_x = ImageClip().max_image_x;
    EXPECT_TRUE(ImageClip().excludes(p));
}

TEST(TransformsFileTest, HandWrittenFileLoadsAndSavesBackToTheSameText) {
    const std::string path = temp_file(transforms_text);
    TransformsStore store;
    ASSERT_TRUE(store.load(path, true));
    EXPECT_EQ(store.get_transform(7).translation[1], -2.0f);
    ASSERT_TRUE(store.save("", false));
    EXPECT_EQ(saved_text(path), transforms_text);

    store.clear();
    EXPECT_TRUE(store.path.empty());
    ASSERT_TRUE(store.save(path, false));
    EXPECT_EQ(saved_text(path), "null");
    EXPECT_TRUE(store.load(path, false));
    EXPECT_TRUE(store.transforms()->empty());
}

TEST(TransformsFileTest, ReaderEdgeCases) {
    TransformsStore store;
    const auto load = [&store](const json& j) { return store.load(temp_file(j.dump()), false); };
    // Three numbers: w from the vector part, and never NaN.
    ASSERT_TRUE(load({{"1", {{"rotation", {0, 0, 0}}}}, {"2", {{"rotation", {1, 1, 0}}}}}));
    EXPECT_EQ(store.get_transform(1).rotation[3], 1.0f);
    EXPECT_EQ(store.get_transform(2).rotation[3], 0.0f);
    EXPECT_TRUE(load({{"0", 1}, {"xyz", 1}, {"3", {{"translation", {1, 2, 3, 4}}}}}));
    EXPECT_EQ(store.get_transform(3).translation[2], 3.0f);
    EXPECT_FALSE(load({{"1", {{"rotation", {0, 0, 0, 1, 0}}}}, {"2", json::object()}}));
    EXPECT_EQ(store.transforms()->size(), 0u);  // "1" failed before "2" was read
    EXPECT_FALSE(load({{"1", json::object()}, {"2", {{"rotation", "x"}}}}));
    EXPECT_EQ(store.transforms()->size(), 1u);
    EXPECT_FALSE(load({{"1", {{"translation", {1, 2}}}}}));
    // A serial at or above 2^63 keeps its number when read back.
    ASSERT_TRUE(load({{"18446744073709551615", {{"translation", {5, 0, 0}}}}}));
    EXPECT_EQ(store.get_transform(UINT64_MAX).translation[0], 5.0f);
    for (const json& top : {json::array({1}), json(3)}) EXPECT_FALSE(load(top));

    // A NaN saved as null must not cost the poses after it.
    SensorTransform nan_pose;
    nan_pose.translation[0] = NAN;
    EXPECT_FALSE(store.set_transform(4, nan_pose));
    TransformsStore saved;
    json j;
    SensorTransform pose;
    pose.translation[0] = 2.0f;
    saved.set_transform(5, pose);
    transforms_to_json(saved, j);
    j["4"] = {{"rotation", {nullptr, 0, 0, 1}}, {"translation", {nullptr, 1, 2}}};
    ASSERT_TRUE(load(j));
    EXPECT_EQ(store.get_transform(4).translation[1], 1.0f);
    EXPECT_EQ(store.get_transform(5).translation[0], 2.0f);
}

TEST(PoseTest, AnglesQuaternionAndAffineAgree) {
    float x, y, z, w, azimuth, elevation, roll;
    euler_to_quaternion(0.5f, 0.2f, -1.0f, &x, &y, &z, &w);
    quaternion_to_euler(x, y, z, w, &azimuth, &elevation, &roll);
    EXPECT_NEAR(azimuth, 0.5f, 1e-6f);
    EXPECT_NEAR(elevation, 0.2f, 1e-6f);
    EXPECT_NEAR(roll, -1.0f, 1e-6f);

    // The same rotation as the Hamilton product qZ(azimuth) qX(elevation) qY(roll).
    const auto mul = [](const float a[4], const float b[4], float out[4]) {
        out[0] = a[3] * b[0] + a[0] * b[3] + a[1] * b[2] - a[2] * b[1];
        out[1] = a[3] * b[1] - a[0] * b[2] + a[1] * b[3] + a[2] * b[0];
        out[2] = a[3] * b[2] + a[0] * b[1] - a[1] * b[0] + a[2] * b[3];
        out[3] = a[3] * b[3] - a[0] * b[0] - a[1] * b[1] - a[2] * b[2];
    };
    const float qz[4] = {0, 0, std::sin(0.25f), std::cos(0.25f)};
    const float qx[4] = {std::sin(0.1f), 0, 0, std::cos(0.1f)};
    const float qy[4] = {0, std::sin(-0.5f), 0, std::cos(-0.5f)};
    float zx[4], q[4];
    mul(qz, qx, zx);
    mul(zx, qy, q);
    EXPECT_NEAR(x, q[0], 1e-6f);
    EXPECT_NEAR(y, q[1], 1e-6f);
    EXPECT_NEAR(z, q[2], 1e-6f);
    EXPECT_NEAR(w, q[3], 1e-6f);

    // At the pole the turn about the vertical goes to roll.
    euler_to_quaternion(0.5f, 1.5707964f, -1.0f, &x, &y, &z, &w);
    quaternion_to_euler(x, y, z, w, &azimuth, &elevation, &roll);
    EXPECT_EQ(azimuth, 0.0f);
    EXPECT_NEAR(roll, -0.5f, 1e-5f);

    // 90 degrees about z, then the translation.
    SensorTransform t;
    t.rotation[2] = t.rotation[3] = std::sqrt(0.5f);
    t.translation[0] = 10.0f;
    float px = 1.0f, py = 0.0f, pz = 2.0f;
    apply_affine(transform_to_affine(t), px, py, pz);
    EXPECT_NEAR(px, 10.0f, 1e-6f);
    EXPECT_NEAR(py, 1.0f, 1e-6f);
    EXPECT_NEAR(pz, 2.0f, 1e-6f);
}

}  // namespace
}  // namespace druvex
