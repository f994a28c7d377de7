// Named GL vertex buffers that data threads stage and the GUI thread uploads.
#pragma once

#include "line_strips.h"

#include <epoxy/gl.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace nanogui {
class GLShader;
}

namespace druvex {

struct RenderConfig;

// One named vertex set on the GPU. Its buffer only grows.
struct GlBuffer {
    GLuint vertex_buffer = 0;
    GLuint vertex_array = 0;
    uint64_t vertex_count = 0;
    uint64_t capacity = 0;  // in bytes, so a set whose stride changes is still refilled safely
    uint64_t stride = 0;
    GLenum mode = GL_LINE_STRIP;

    bool has_color() const { return stride > 12; }
    // GL thread. Attribute 0 = position (3 floats); attribute 1 = RGBA bytes
    // at offset 12 when the stride leaves room for them.
    void upload(size_t count, size_t vertex_stride, const void* data);
    void release();
};

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

struct PendingUpload {
    uint64_t count = 0;
    uint64_t stride = 0;
    GLenum mode = GL_LINE_STRIP;
    std::unique_ptr<unsigned char, FreeDeleter> data;
};

// Named vertex sets: staged from any thread under the store mutex, moved to
// the GPU by flush() once a frame on the GL thread, drawn by name.
class GlBufferStore {
public:
    GlBufferStore() = default;
    GlBufferStore(const GlBufferStore&) = delete;
    GlBufferStore& operator=(const GlBufferStore&) = delete;
    ~GlBufferStore();

    // Any thread. Copies count * stride bytes of `data`, or with
    // `take_ownership` keeps `data` itself, which must then come from malloc.
    // The newest staging of a name replaces an earlier one not yet flushed.
    void stage(const std::string& name, GLenum mode, size_t count, size_t stride, void* data,
               bool take_ownership);
    // GL thread: uploads every pending set.
    void flush();
    // GL thread: uploads `vertices` as a line strip at once.
    void set_lines(const std::string& name, const std::vector<LineVertex>& vertices);
    // Drops pending data of `name` (any thread) and stops drawing its buffer
    // (GL thread); the GL objects stay for reuse.
    void clear(const std::string& name);
    // GL thread: draws `name` with `lines` for line strips, `polys` otherwise.
    void draw(const std::string& name, const RenderConfig& camera, nanogui::GLShader& lines,
              nanogui::GLShader& polys);

    const GlBuffer* find(const std::string& name) const;
    bool has_pending(const std::string& name) const;

protected:
    void release_buffers();

private:
    std::map<std::string, GlBuffer> buffers_;
    std::map<std::string, PendingUpload> pending_;
    mutable std::mutex mutex_;  // guards pending_
};

}  // namespace druvex
