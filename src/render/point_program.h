// PointProgram: point vertices and the shader that draws them.
#pragma once

#include <epoxy/gl.h>
#include <nanogui/glutil.h>

#include <cstddef>
#include <cstdint>

namespace druvex {

struct RenderConfig;

// One point as the point program reads it. `intensity` is the value the
// colormap colours (the view's colour mode decides what it holds).
struct PointVertex {
    float importance;
    float x, y, z;  // world, metres
    float intensity;
};
static_assert(sizeof(PointVertex) == 20, "the GL buffer layout is 20 bytes per point");

// A view's point cloud on the GPU: the "pcl" program, which turns each point
// into a screen-aligned hexagon coloured through the camera's colormap, and
// the vertex buffer of the last upload. GL thread only.
class PointProgram {
public:
    PointProgram() = default;
    PointProgram(const PointProgram&) = delete;
    PointProgram& operator=(const PointProgram&) = delete;
    ~PointProgram();

    void upload(size_t count, const PointVertex* data);
    void draw(RenderConfig& camera);
    void compile();

    uint64_t count() const { return count_; }
    GLuint buffer() const { return buffer_; }

private:
    void create_buffer(size_t count, const PointVertex* data);
    void create_vertex_array();
    void release();

    nanogui::GLShader shader_;
    bool compiled_ = false;
    GLuint buffer_ = 0;
    GLuint vertex_array_ = 0;
    uint64_t count_ = 0;  // the last upload's size, also the recorded buffer size
};

}  // namespace druvex
