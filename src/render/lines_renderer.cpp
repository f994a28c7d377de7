// The line shaders and the drawing of named line sets.
#include "lines_renderer.h"

#include "render_config.h"

namespace druvex {
namespace {

std::mutex g_renderer_mutex;

const char* const vertex_shader = R"(#version 330
layout(location = 0) in vec3 vp;
layout(location = 1) in vec4 color;
uniform mat4 m;
flat out vec4 colorV;
void main() {
    gl_Position = m * vec4(vp.xzy, 1.0f);
    colorV = color / 256.0;
}
)";

// A segment takes the colour of its second vertex; a transparent one (the
// vertex that starts a strip) hides the segment that joins two strips.
const char* const line_geometry_shader = R"(#version 330
layout(lines) in;
layout(line_strip, max_vertices = 2) out;
flat in vec4 colorV[];
flat out vec4 colorG;
void main() {
    vec4 c0 = colorV[1];
    if (c0.a != 0.0) {
        gl_Position = gl_in[0].gl_Position;
        colorG = c0;
        EmitVertex();
        gl_Position = gl_in[1].gl_Position;
        colorG = c0;
        EmitVertex();
        EndPrimitive();
    }
}
)";

const char* const line_fragment_shader = R"(#version 330
flat in vec4 colorG;
out vec4 frag_colour;
void main() { frag_colour = colorG; }
)";

const char* const poly_fragment_shader = R"(#version 330
flat in vec4 colorV;
out vec4 frag_colour;
void main() { frag_colour = colorV; }
)";

}  // namespace

std::atomic<LinesRenderer*> LinesRenderer::instance_{nullptr};

std::mutex& LinesRenderer::global_mutex() { return g_renderer_mutex; }

LinesRenderer* LinesRenderer::instance() {
    LinesRenderer* renderer = instance_.load(std::memory_order_acquire);
    if (renderer) return renderer;
    std::lock_guard<std::mutex> lock(g_renderer_mutex);
    renderer = instance_.load(std::memory_order_relaxed);
    if (!renderer) {
        renderer = new LinesRenderer();
        instance_.store(renderer, std::memory_order_release);
    }
    return renderer;
}

LinesRenderer* LinesRenderer::existing() { return instance_.load(std::memory_order_acquire); }

void LinesRenderer::shutdown() {
    std::lock_guard<std::mutex> lock(g_renderer_mutex);
    delete instance_.exchange(nullptr);
}

LinesRenderer::LinesRenderer() {
    line_program_.init("lines_renderer", vertex_shader, line_fragment_shader, line_geometry_shader);
    poly_program_.init("poly_shader", vertex_shader, poly_fragment_shader);
}

LinesRenderer::~LinesRenderer() {
    release_buffers();
    line_program_.free();
    poly_program_.free();
}

void LinesRenderer::draw(const std::string& name, const RenderConfig& camera) {
    GlBufferStore::draw(name, camera, line_program_, poly_program_);
}

void set_lines(const std::string& name, const LineStrips& strips) {
    LinesRenderer::instance()->set_lines(name, strips.vertices);
}

void draw_lines(const std::string& name, const RenderConfig& camera) {
    LinesRenderer::instance()->draw(name, camera);
}

void clear_lines(const std::string& name) {
    std::lock_guard<std::mutex> lock(LinesRenderer::global_mutex());
    if (LinesRenderer* renderer = LinesRenderer::existing()) renderer->clear(name);
}

}  // namespace druvex
