// Common definitions of the project's toolkit layer (namespace nanogui).
#pragma once

#include <Eigen/Core>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <nanogui/file_dialog.h>
#include <nanogui/object.h>
#include <nanovg.h>

struct GLFWwindow;

namespace nanogui {

using Eigen::Matrix3f;
using Eigen::Matrix4f;
using Eigen::MatrixXf;
using Eigen::Vector2f;
using Eigen::Vector2i;
using Eigen::Vector3f;
using Eigen::Vector3i;
using Eigen::Vector4f;
using Eigen::Vector4i;

// RGBA colour with float channels in [0, 1].
class Color : public Eigen::Vector4f {
    using Base = Eigen::Vector4f;

public:
    Color() : Base(0.0f, 0.0f, 0.0f, 0.0f) {}
    Color(const Eigen::Vector4f& color) : Base(color) {}
    Color(const Eigen::Vector3f& color, float alpha) : Base(color(0), color(1), color(2), alpha) {}
    Color(const Eigen::Vector3i& color, int alpha)
        : Base(color(0) / 255.0f, color(1) / 255.0f, color(2) / 255.0f, alpha / 255.0f) {}
    Color(const Eigen::Vector3f& color) : Color(color, 1.0f) {}
    Color(const Eigen::Vector3i& color) : Color(color, 255) {}
    Color(const Eigen::Vector4i& color)
        : Base(color(0) / 255.0f, color(1) / 255.0f, color(2) / 255.0f, color(3) / 255.0f) {}
    // Grey with alpha.
    Color(float intensity, float alpha) : Base(intensity, intensity, intensity, alpha) {}
    Color(int intensity, int alpha)
        : Color(Eigen::Vector3i(intensity, intensity, intensity), alpha) {}
    Color(float r, float g, float b, float a) : Base(r, g, b, a) {}
    Color(int r, int g, int b, int a) : Color(Eigen::Vector4i(r, g, b, a)) {}
    template <typename Derived>
    Color(const Eigen::MatrixBase<Derived>& p) : Base(p) {}
    template <typename Derived>
    Color& operator=(const Eigen::MatrixBase<Derived>& p) {
        this->Base::operator=(p);
        return *this;
    }

    float& r() { return x(); }
    const float& r() const { return x(); }
    float& g() { return y(); }
    const float& g() const { return y(); }
    float& b() { return z(); }
    const float& b() const { return z(); }
    Color contrastingColor() const {
        float luminance = (*this)(0) * 0.299f + (*this)(1) * 0.587f + (*this)(2) * 0.144f;
        return Color(luminance < 0.5f ? 1.0f : 0.0f, 1.0f);
    }
    operator NVGcolor() const { return nvgRGBAf((*this)(0), (*this)(1), (*this)(2), (*this)(3)); }
};

class AdvancedGridLayout;
class BoxLayout;
class Button;
class CheckBox;
class ComboBox;
class GLShader;
class GroupLayout;
class ImageView;
class Label;
class Layout;
class Popup;
class PopupButton;
class Screen;
class Slider;
class TextBox;
class Theme;
class VScrollPanel;
class Widget;
class Window;

// glfwInit (std::runtime_error on failure) and the GLFW error callback.
void init();
// Closes an open file dialog, then glfwTerminate.
void shutdown();
// Runs the event loop over every visible screen; a refresh thread posts an
// empty event every `refresh` ms (0 = none) while the loop runs.
void mainloop(int refresh = 50);
// Ends the main loop at the next iteration.
void leave();
// True while mainloop() runs.
bool active();

// UTF-8 encoding of a code point (NUL-terminated).
std::array<char, 8> utf8(int c);

// Milliseconds-resolution time in seconds (glfwGetTime when GLFW is up, else a steady clock).
double get_time();

}  // namespace nanogui
