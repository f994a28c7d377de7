// Pose conversions: affine, quaternion and Euler angles.
#include "sensor_transform.h"

#include <cfloat>
#include <cmath>
#include <utility>

namespace druvex {

Affine transform_to_affine(const SensorTransform& t) {
    const float x = t.rotation[0], y = t.rotation[1], z = t.rotation[2], w = t.rotation[3];
    return {t.translation[0],    t.translation[1],    t.translation[2],    1 - 2 * (y * y + z * z),
            2 * (x * y - z * w), 2 * (x * z + y * w), 2 * (x * y + z * w), 1 - 2 * (x * x + z * z),
            2 * (y * z - x * w), 2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)};
}

namespace {

// The axes an order takes: i first, j second, k third.
struct Axes {
    int i, j, k;
};

Axes axes_of(EulerAxes order) {
    static constexpr int next[4] = {1, 2, 0, 1};
    const int i = order.first_axis % 3;
    const int n = order.odd_parity ? 1 : 0;
    return {i, next[i + n], next[i + 1 - n]};
}

using Matrix3 = float[3][3];

// With the factor 2 rather than 2 / |q|^2: the quaternion is not normalised.
void quaternion_matrix(const float q[4], Matrix3& m) {
    const float xs = q[0] * 2, ys = q[1] * 2, zs = q[2] * 2;
    const float wx = q[3] * xs, wy = q[3] * ys, wz = q[3] * zs;
    const float xx = q[0] * xs, xy = q[0] * ys, xz = q[0] * zs;
    const float yy = q[1] * ys, yz = q[1] * zs, zz = q[2] * zs;
    m[0][0] = 1 - (yy + zz), m[0][1] = xy - wz, m[0][2] = xz + wy;
    m[1][0] = xy + wz, m[1][1] = 1 - (xx + zz), m[1][2] = yz - wx;
    m[2][0] = xz - wy, m[2][1] = yz + wx, m[2][2] = 1 - (xx + yy);
}

}  // namespace

void euler_order_to_quaternion(const float angles[3], EulerAxes order, float q[4]) {
    const Axes a = axes_of(order);
    float ti = angles[0] * 0.5f, tj = angles[1] * 0.5f, th = angles[2] * 0.5f;
    if (order.rotating_frame) std::swap(ti, th);
    if (order.odd_parity) tj = -tj;
    const float ci = std::cos(ti), cj = std::cos(tj), ch = std::cos(th);
    const float si = std::sin(ti), sj = std::sin(tj), sh = std::sin(th);
    const float cc = ci * ch, cs = ci * sh, sc = si * ch, ss = si * sh;
    float v[3];
    if (order.repeated_axis) {
        v[a.i] = cj * (cs + sc);
        v[a.j] = sj * (cc + ss);
        v[a.k] = sj * (cs - sc);
        q[3] = cj * (cc - ss);
    } else {
        v[a.i] = cj * sc - sj * cs;
        v[a.j] = cj * ss + sj * cc;
        v[a.k] = cj * cs - sj * sc;
        q[3] = cj * cc + sj * ss;
    }
    if (order.odd_parity) v[a.j] = -v[a.j];
    q[0] = v[0], q[1] = v[1], q[2] = v[2];
}

void quaternion_to_euler_order(const float q[4], EulerAxes order, float angles[3]) {
    const Axes a = axes_of(order);
    const int i = a.i, j = a.j, k = a.k;
    Matrix3 m;
    quaternion_matrix(q, m);
    // Below this the middle angle is at its pole and the outer two turn
    // about the same axis: all of the turn goes to the first angle.
    constexpr float singular = 10 * FLT_EPSILON;
    float x = 0, y = 0, z = 0;
    if (order.repeated_axis) {
        const float sy = std::sqrt(m[i][j] * m[i][j] + m[i][k] * m[i][k]);
        y = std::atan2(sy, m[i][i]);
        if (sy > singular) {
            x = std::atan2(m[i][j], m[i][k]);
            z = std::atan2(m[j][i], -m[k][i]);
        } else {
            x = std::atan2(-m[j][k], m[j][j]);
        }
    } else {
        const float cy = std::sqrt(m[i][i] * m[i][i] + m[j][i] * m[j][i]);
        y = std::atan2(-m[k][i], cy);
        if (cy > singular) {
            x = std::atan2(m[k][j], m[k][k]);
            z = std::atan2(m[j][i], m[i][i]);
        } else {
            x = std::atan2(-m[j][k], m[j][j]);
        }
    }
    if (order.odd_parity) x = -x, y = -y, z = -z;
    if (order.rotating_frame) std::swap(x, z);
    angles[0] = x, angles[1] = y, angles[2] = z;
}

void euler_to_quaternion(float azimuth, float elevation, float roll, float* x, float* y, float* z,
                         float* w) {
    const float angles[3] = {roll, elevation, azimuth};
    float q[4];
    euler_order_to_quaternion(angles, euler_order, q);
    *x = q[0], *y = q[1], *z = q[2], *w = q[3];
}

void quaternion_to_euler(float x, float y, float z, float w, float* azimuth, float* elevation,
                         float* roll) {
    const float q[4] = {x, y, z, w};
    float angles[3];
    quaternion_to_euler_order(q, euler_order, angles);
    *roll = angles[0], *elevation = angles[1], *azimuth = angles[2];
}

}  // namespace druvex
