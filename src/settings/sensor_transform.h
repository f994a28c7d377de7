// A sensor's pose in the viewer's world, the affine the streams apply to its
// points, and the conversions between its quaternion and the three angles
// that the panels show.
#pragma once

#include <array>

namespace druvex {

// Laid out as the SDK's DruvexSensorTransform.
struct SensorTransform {
    float rotation[4] = {0.0f, 0.0f, 0.0f, 1.0f};  // quaternion x, y, z, w
    float translation[3] = {0.0f, 0.0f, 0.0f};     // metres
};

// Translation tx, ty, tz, then the 3x3 rotation matrix row by row.
using Affine = std::array<float, 12>;

// The quaternion is taken as a unit one (not normalised).
Affine transform_to_affine(const SensorTransform& transform);

// Inline: it runs for every point of every posed frame.
inline void apply_affine(const Affine& a, float& x, float& y, float& z) {
    const float px = x, py = y, pz = z;
    x = a[3] * px + a[4] * py + a[5] * pz + a[0];
    y = a[6] * px + a[7] * py + a[8] * pz + a[1];
    z = a[9] * px + a[10] * py + a[11] * pz + a[2];
}

// An axis order of Shoemake's Euler angle conversion (Graphics Gems IV):
// first axis (0 x, 1 y, 2 z), parity, repeated first axis, rotating frame.
struct EulerAxes {
    int first_axis;
    bool odd_parity;
    bool repeated_axis;
    bool rotating_frame;
};

// The order of all of the viewer's angle conversions: about the fixed axes
// Y, then X, then Z.
constexpr EulerAxes euler_order{1, true, false, false};

// angles: the turns about the order's first, second and third axis;
// q: x, y, z, w. In float, as the panels have always shown them.
void euler_order_to_quaternion(const float angles[3], EulerAxes order, float q[4]);
// The quaternion need not be a unit one; the matrix is built with the factor 2.
void quaternion_to_euler_order(const float q[4], EulerAxes order, float angles[3]);

// Roll about Y, then elevation about X, then azimuth about Z (radians).
void euler_to_quaternion(float azimuth, float elevation, float roll, float* x, float* y, float* z,
                         float* w);
// Elevation in [-pi/2, pi/2], azimuth and roll in [-pi, pi]; at elevation
// +-pi/2 azimuth is 0 and the whole turn about the vertical is in roll.
void quaternion_to_euler(float x, float y, float z, float w, float* azimuth, float* elevation,
                         float* roll);

}  // namespace druvex
