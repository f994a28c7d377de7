// ViewerApplication: the keys, mouse gestures and dropped files that the
// widgets leave to the application.
#include "viewer_application.h"

#include "platform/path_utils.h"

#include <nanogui/window.h>

#include <algorithm>
#include <cmath>

namespace druvex {
namespace {

bool has_viewport(const RenderConfig& camera) {
    return camera.viewport_width > 0 && camera.viewport_height > 0 && camera.pixel_ratio > 0.0f;
}

}  // namespace

float bounded_zoom(float zoom_scale, float factor) {
    if (!std::isfinite(factor) || factor <= 0.0f) return zoom_scale;
    if (!std::isfinite(zoom_scale) || zoom_scale <= 0.0f) zoom_scale = RenderConfig().zoom_scale;
    return std::clamp(zoom_scale * factor, min_zoom_scale, max_zoom_scale);
}

bool ViewerApplication::keyboardEvent(int key, int scancode, int action, int modifiers) {
    if (nanogui::Screen::keyboardEvent(key, scancode, action, modifiers)) return true;
    if (action != GLFW_PRESS && action != GLFW_REPEAT) return false;
    if (modifiers == 0) {
        if (key == GLFW_KEY_ESCAPE && banner_->visible()) {
            banner_->dismiss();
            return true;
        }
        const bool help_shown = help_window != nullptr && help_window->visible();
        if ((key == GLFW_KEY_Q || key == GLFW_KEY_ESCAPE) && help_shown) {
            help_window->setVisible(false);
            return true;
        }
        if (key == GLFW_KEY_F1 || key == GLFW_KEY_H) {
            if (help_window != nullptr) help_window->setVisible(!help_shown);
        } else if (key == GLFW_KEY_SPACE) {
            if (!replay.is_open()) {
                set_sdk_control_flag(DRUVEX_SDK_CONTROL_DISABLE_NETWORK,
                                     !has_sdk_control_flag(DRUVEX_SDK_CONTROL_DISABLE_NETWORK));
                last_sdk_error();
            } else if (!replay.is_running()) {
                replay.resume();
            } else {
                replay.pause();
            }
            return true;
        } else if (key == GLFW_KEY_F11) {
            gui_visible = !gui_visible;
            return true;
        }
    }
    return active_view != nullptr && active_view->handle_key(key, modifiers);
}

bool ViewerApplication::mouseButtonEvent(const Eigen::Vector2i& p, int button, bool down,
                                         int modifiers) {
    if (nanogui::Screen::mouseButtonEvent(p, button, down, modifiers)) return true;
    if (!down || active_view == nullptr) return false;
    ViewRenderer& renderer = active_view->renderer;
    if (button != GLFW_MOUSE_BUTTON_LEFT || (modifiers & GLFW_MOD_CONTROL) == 0 ||
        !renderer.measuring || !has_viewport(renderer.camera())) {
        return false;
    }
    const Eigen::Vector3f u = renderer.camera().screen_to_world(p.x(), p.y());
    renderer.set_measure_start(u[0], u[2], u[1]);
    return true;
}

bool ViewerApplication::mouseDragEvent(const Eigen::Vector2i& p, const Eigen::Vector2i& rel,
                                       int button_mask, int modifiers) {
    if (nanogui::Screen::mouseDragEvent(p, rel, button_mask, modifiers)) return true;
    if (active_view == nullptr || !has_viewport(active_view->renderer.camera())) return false;
    ViewRenderer& renderer = active_view->renderer;
    const bool left = (button_mask & (1 << GLFW_MOUSE_BUTTON_LEFT)) != 0;
    if (modifiers == 0) {
        if (left) {
            const RenderConfig& c = renderer.camera();
            renderer.orbit(2.0f * rel.x() * c.pixel_ratio / c.viewport_width,
                           2.0f * rel.y() * c.pixel_ratio / c.viewport_height, 0.0f);
        } else if ((button_mask & (1 << GLFW_MOUSE_BUTTON_RIGHT)) != 0) {
            pan_active_view(rel);
        } else if ((button_mask & (1 << GLFW_MOUSE_BUTTON_MIDDLE)) != 0) {
            zoom_active_view(rel);
        } else {
            return false;
        }
        return true;
    }
    if ((modifiers & GLFW_MOD_CONTROL) != 0) {
        if (!left) return false;
        if (!renderer.measuring) {
            pan_active_view(rel);
            return true;
        }
        // `p` is where the mouse is now (the toolkit has already moved it by
        // `rel`): the line ends under the pointer.
        const Eigen::Vector3f u = renderer.camera().screen_to_world(p.x(), p.y());
        renderer.set_measure_end(u[0], u[2], u[1], 0xFFFFFFFFu);
        return true;
    }
    if (left && (modifiers & GLFW_MOD_SHIFT) != 0) {
        zoom_active_view(rel);
        return true;
    }
    return false;
}

void ViewerApplication::pan_active_view(const Eigen::Vector2i& rel) {
    if (active_view == nullptr) return;
    ViewRenderer& renderer = active_view->renderer;
    const RenderConfig& c = renderer.camera();
    const Eigen::Vector3f d =
        c.screen_delta_to_world(-rel.x(), -rel.y(), c.projection() * c.view_matrix());
    if (d.allFinite()) renderer.translate(d.x(), d.y(), d.z());
}

void ViewerApplication::zoom_active_view(const Eigen::Vector2i& rel) {
    if (active_view == nullptr || !has_viewport(active_view->renderer.camera())) return;
    RenderConfig& c = active_view->renderer.camera();
    c.zoom_scale = bounded_zoom(c.zoom_scale, 1.0f - float(rel.y()) / float(c.viewport_width));
}

bool ViewerApplication::scrollEvent(const Eigen::Vector2i& p, const Eigen::Vector2f& rel) {
    if (nanogui::Screen::scrollEvent(p, rel)) return true;
    if (active_view == nullptr) return false;
    RenderConfig& c = active_view->renderer.camera();
    c.zoom_scale = bounded_zoom(c.zoom_scale, rel.y() > 0.0f ? 1.25f : 0.8f);
    return true;
}

bool ViewerApplication::dropEvent(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        const std::string name = split_path(path).second;
        if (split_extension(name).second == ".pcap") {
            load_capture(path);
        } else if (name == clips_file_name) {
            load_clips(path);
        } else if (name == transforms_file_name) {
            load_transforms(path);
        } else if (name == viewer_config_file_name) {
            load_config(path, true);
        } else {
            continue;
        }
        return true;
    }
    return false;
}

}  // namespace druvex
