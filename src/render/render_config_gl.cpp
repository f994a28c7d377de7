// The GL half of RenderConfig: sending the camera and colour record to a program.
#include "render_config.h"

#include "colormap.h"
#include "gl_error.h"

#include <nanogui/glutil.h>

namespace druvex {
namespace {

void upload_colormap(const ColormapStops& stops, bool categorical) {
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGBA32F, GLsizei(stops.size()), 0, GL_RGBA, GL_FLOAT,
                 stops.data());
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    const GLint filter = categorical ? GL_NEAREST : GL_LINEAR;
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, filter);
}

}  // namespace

void RenderConfig::apply_transform(nanogui::GLShader& shader) const {
    shader.bind();
    glViewport(viewport_x, viewport_y, viewport_width, viewport_height);
    shader.setUniform("m", mvp());
}

void RenderConfig::apply(nanogui::GLShader& shader) {
    apply_transform(shader);
    const Eigen::Vector2f scale = point_scale();
    shader.setUniform("x_point_scale", scale.x());
    shader.setUniform("y_point_scale", scale.y());
    const auto range = shader_color_range();
    shader.setUniform("color_min", range.first);
    shader.setUniform("color_max", range.second);
    const int id = shader_colormap();
    const ColormapStops& stops = *colormap_stops(id);
    shader.setUniform("colormap", id);
    shader.setUniform("n_colors", int(stops.size()));
    shader.setUniform("reverse_colormap", reverse_colormap);
    if (!colormap_texture_created) {
        glGenTextures(1, &colormap_texture);
        check_gl_error(__FILE__, __LINE__);
        colormap_texture_created = true;
    }
    // Bound on every call: several views each own a texture, and the one left
    // bound by another view must not receive this view's stops.
    glBindTexture(GL_TEXTURE_1D, colormap_texture);
    upload_colormap(stops, id == COLORMAP_CATEGORICAL);
    check_gl_error(__FILE__, __LINE__);
}

}  // namespace druvex
