// Named GL vertex buffers: staging from any thread, upload on the GUI thread.
#include "gl_buffer_store.h"

#include "render_config.h"

#include <nanogui/glutil.h>

#include <cstring>
#include <new>

namespace druvex {

void GlBuffer::upload(size_t count, size_t vertex_stride, const void* data) {
    const size_t bytes = count * vertex_stride;
    if (vertex_buffer && bytes <= capacity) {
        glBindBuffer(GL_ARRAY_BUFFER, vertex_buffer);
        glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(bytes), data);
    } else {
        // A fresh, larger buffer must receive the data too, or a set that
        // grows (markers after zooming out) would draw garbage.
        if (vertex_buffer) glDeleteBuffers(1, &vertex_buffer);
        glGenBuffers(1, &vertex_buffer);
        glBindBuffer(GL_ARRAY_BUFFER, vertex_buffer);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(bytes), data, GL_DYNAMIC_DRAW);
        capacity = bytes;
    }
    vertex_count = count;
    stride = vertex_stride;
    if (!vertex_array) glGenVertexArrays(1, &vertex_array);
    glBindVertexArray(vertex_array);
    const GLsizei s = GLsizei(stride);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, s, reinterpret_cast<void*>(0));
    glEnableVertexAttribArray(0);
    if (has_color()) {
        glVertexAttribPointer(1, 4, GL_UNSIGNED_BYTE, GL_FALSE, s, reinterpret_cast<void*>(12));
        glEnableVertexAttribArray(1);
    } else {
        // Without colour bytes an enabled attribute would read outside the
        // vertex (or from no buffer at all); draw() supplies a constant instead.
        glDisableVertexAttribArray(1);
    }
    glBindVertexArray(0);
}

void GlBuffer::release() {
    if (vertex_buffer) glDeleteBuffers(1, &vertex_buffer);
    if (vertex_array) glDeleteVertexArrays(1, &vertex_array);
    vertex_buffer = vertex_array = 0;
    vertex_count = capacity = stride = 0;
}

GlBufferStore::~GlBufferStore() = default;

void GlBufferStore::release_buffers() {
    for (auto& entry : buffers_) entry.second.release();
    buffers_.clear();
}

void GlBufferStore::stage(const std::string& name, GLenum mode, size_t count, size_t stride,
                          void* data, bool take_ownership) {
    PendingUpload upload;
    upload.count = count;
    upload.stride = stride;
    upload.mode = mode;
    if (take_ownership) {
        upload.data.reset(static_cast<unsigned char*>(data));
    } else {
        const size_t bytes = count * stride;
        upload.data.reset(static_cast<unsigned char*>(std::malloc(bytes ? bytes : 1)));
        if (!upload.data) throw std::bad_alloc();
        if (bytes) std::memcpy(upload.data.get(), data, bytes);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    pending_[name] = std::move(upload);
}

void GlBufferStore::flush() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& entry : pending_) {
        GlBuffer& buffer = buffers_[entry.first];
        buffer.mode = entry.second.mode;
        buffer.upload(entry.second.count, entry.second.stride, entry.second.data.get());
    }
    pending_.clear();
}

void GlBufferStore::set_lines(const std::string& name, const std::vector<LineVertex>& vertices) {
    GlBuffer& buffer = buffers_[name];
    buffer.mode = GL_LINE_STRIP;
    buffer.upload(vertices.size(), sizeof(LineVertex), vertices.data());
}

void GlBufferStore::clear(const std::string& name) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.erase(name);
    }
    auto it = buffers_.find(name);
    if (it != buffers_.end() && it->second.vertex_count != 0) it->second.vertex_count = 0;
}

void GlBufferStore::draw(const std::string& name, const RenderConfig& camera,
                         nanogui::GLShader& lines, nanogui::GLShader& polys) {
    auto it = buffers_.find(name);
    if (it == buffers_.end()) return;
    const GlBuffer& buffer = it->second;
    if (!buffer.vertex_buffer || buffer.vertex_count == 0) return;
    nanogui::GLShader& program = buffer.mode == GL_LINE_STRIP ? lines : polys;
    if (!program.valid()) return;  // its compile error was reported when it was built
    camera.apply_transform(program);
    glBindVertexArray(buffer.vertex_array);
    if (!buffer.has_color()) glVertexAttrib4f(1, 255.0f, 255.0f, 255.0f, 255.0f);  // opaque white
    glDrawArrays(buffer.mode, 0, GLsizei(buffer.vertex_count));
    glBindVertexArray(0);
}

const GlBuffer* GlBufferStore::find(const std::string& name) const {
    auto it = buffers_.find(name);
    return it == buffers_.end() ? nullptr : &it->second;
}

bool GlBufferStore::has_pending(const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pending_.count(name) != 0;
}

}  // namespace druvex
