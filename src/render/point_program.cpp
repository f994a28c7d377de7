// The point shaders (hexagons from a geometry shader) and their uniforms.
#include "point_program.h"

#include "render_config.h"

#include <GLFW/glfw3.h>

namespace druvex {
namespace {

const char* const vertex_shader = R"(#version 330
layout(location = 0) in float importance;
layout(location = 1) in vec3 vp;
layout(location = 2) in float intensity;
uniform mat4 m;
out float intensity_geom;
out float importance_geom;
void main() {
    // World z is up; render coordinates put the height second.
    gl_Position = m * vec4(vp.xzy, 1.0);
    intensity_geom = intensity;
    importance_geom = importance;
}
)";

const char* const geometry_shader = R"(#version 330
layout(points) in;
layout(triangle_strip, max_vertices = 6) out;
uniform float x_point_scale;
uniform float y_point_scale;
in float intensity_geom[];
in float importance_geom[];
out float intensity_frag;
out float importance_frag;
const float SQRT3_2 = 0.86602540378;
const float MAXPS = 0.02;   // 2% of the screen height
const float MINPS = 0.001;

void corner(vec4 p, float dx, float dy) {
    gl_Position = p + vec4(dx, dy, 0.0, 0.0);
    intensity_frag = intensity_geom[0];
    importance_frag = importance_geom[0];
    EmitVertex();
}

void main() {
    vec4 p = gl_in[0].gl_Position;
    float ps0 = 0.01 * clamp(importance_geom[0], 0.75, 1.0) * p.w;
    float ps_y = ps0 * y_point_scale;
    float ps_x = SQRT3_2 * ps0 * x_point_scale;
    float size = abs(ps_y / p.w);
    if (size > MAXPS) {
        ps_y = p.w * MAXPS;
        ps_x = (SQRT3_2 * x_point_scale / y_point_scale) * ps_y;
    } else if (size < MINPS) {
        ps_y = p.w * MINPS;
        ps_x = (SQRT3_2 * x_point_scale / y_point_scale) * ps_y;
    }
    corner(p, 0.0, -ps_y);
    corner(p, ps_x, -ps_y / 2.0);
    corner(p, -ps_x, -ps_y / 2.0);
    corner(p, ps_x, ps_y / 2.0);
    corner(p, -ps_x, ps_y / 2.0);
    corner(p, 0.0, ps_y);
    EndPrimitive();
}
)";

const char* const fragment_shader = R"(#version 330
const int COLORMAP_CATEGORICAL = 0;
const int COLORMAP_CIRCULAR = 1;
const int COLORMAP_CONSTANT = 2;
const int COLORMAP_DIVERGING = 3;
const int COLORMAP_SEQUENTIAL = 4;
uniform float color_min = 0.0;
uniform float color_max = 1.0;
uniform int colormap = COLORMAP_CONSTANT;
uniform int n_colors = 1;
uniform bool reverse_colormap = false;
uniform sampler1D colormap_texture;
in float intensity_frag;
in float importance_frag;
out vec4 frag_color;

vec3 rgb2hsv(vec3 c) {
    vec4 K = vec4(0.0, -1.0 / 3.0, 2.0 / 3.0, -1.0);
    vec4 p = mix(vec4(c.bg, K.wz), vec4(c.gb, K.xy), step(c.b, c.g));
    vec4 q = mix(vec4(p.xyw, c.r), vec4(c.r, p.yzx), step(p.x, c.r));
    float d = q.x - min(q.w, q.y);
    float e = 1.0e-10;
    return vec3(abs(q.z + (q.w - q.y) / (6.0 * d + e)), d / (q.x + e), q.x);
}

vec3 hsv2rgb(vec3 c) {
    vec4 K = vec4(1.0, 2.0 / 3.0, 1.0 / 3.0, 3.0);
    vec3 p = abs(fract(c.xxx + K.xyz) * 6.0 - K.www);
    return c.z * mix(K.xxx, clamp(p - K.xxx, 0.0, 1.0), c.y);
}

// Where the intensity lies in the colour range, 0 at its low end. A range of
// zero width has nothing to divide by: all its points take the low end.
float range_position() {
    float width = color_max - color_min;
    return width > 0.0 ? (intensity_frag - color_min) / width : 0.0;
}

void main() {
    float t;
    if (colormap == COLORMAP_CATEGORICAL) {
        // Integer values select one stop each.
        t = mod(intensity_frag, float(n_colors)) / float(n_colors);
    } else if (colormap == COLORMAP_CIRCULAR) {
        t = mod(range_position(), 1.0);
    } else {
        t = clamp(range_position(), 0.0, 1.0);
    }
    if (reverse_colormap) t = 1.0 - t;
    vec4 colour = texture(colormap_texture, t);
    // Unimportant points fade toward a dim, translucent grey.
    float importance = importance_frag;
    vec3 hsv = rgb2hsv(colour.rgb);
    hsv.y *= importance;
    hsv.z *= importance + 0.75 * (1.0 - importance);
    frag_color = vec4(hsv2rgb(hsv), colour.a * (importance + 0.25 * (1.0 - importance)));
}
)";

}  // namespace

PointProgram::~PointProgram() {
    // Views may outlive the window at shut-down; GL names mean nothing then.
    if (glfwGetCurrentContext()) release();
}

void PointProgram::release() {
    if (vertex_array_) glDeleteVertexArrays(1, &vertex_array_);
    if (buffer_) glDeleteBuffers(1, &buffer_);
    if (compiled_) shader_.free();
    vertex_array_ = buffer_ = 0;
    compiled_ = false;
}

void PointProgram::upload(size_t count, const PointVertex* data) {
    if (count <= count_) {
        if (count > 0) {
            glBindBuffer(GL_ARRAY_BUFFER, buffer_);
            glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(count * sizeof(PointVertex)), data);
        }
    } else {
        create_buffer(count, data);
    }
    if (!vertex_array_ && buffer_) create_vertex_array();
    count_ = count;
}

void PointProgram::create_buffer(size_t count, const PointVertex* data) {
    if (buffer_) glDeleteBuffers(1, &buffer_);
    if (vertex_array_) glDeleteVertexArrays(1, &vertex_array_);
    vertex_array_ = 0;
    glGenBuffers(1, &buffer_);
    glBindBuffer(GL_ARRAY_BUFFER, buffer_);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(count * sizeof(PointVertex)), data, GL_DYNAMIC_DRAW);
}

void PointProgram::create_vertex_array() {
    glGenVertexArrays(1, &vertex_array_);
    glBindVertexArray(vertex_array_);
    glBindBuffer(GL_ARRAY_BUFFER, buffer_);
    const GLsizei stride = sizeof(PointVertex);
    glVertexAttribPointer(0, 1, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(0));
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(4));
    glVertexAttribPointer(2, 1, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(16));
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glEnableVertexAttribArray(2);
}

void PointProgram::compile() {
    if (compiled_) return;
    shader_.init("pcl", vertex_shader, fragment_shader, geometry_shader);
    compiled_ = true;
}

void PointProgram::draw(RenderConfig& camera) {
    if (count_ == 0) return;
    compile();
    if (!shader_.valid()) return;  // the compile error was reported once
    camera.apply(shader_);
    glBindVertexArray(vertex_array_);
    glDrawArrays(GL_POINTS, 0, GLsizei(count_));
}

}  // namespace druvex
