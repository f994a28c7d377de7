// Resolving a multisampled frame through a single-sample framebuffer and
// reading it back.
#include "window_pixels.h"

#include <epoxy/gl.h>

#include <algorithm>

namespace druvex {
namespace {

// A single-sample colour target of the frame's size, bound for drawing while
// it lives; the bindings and scissor it finds are restored at its end.
class ResolveTarget {
public:
    ResolveTarget(int width, int height) {
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read_binding_);
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw_binding_);
        scissor_ = glIsEnabled(GL_SCISSOR_TEST);
        glDisable(GL_SCISSOR_TEST);  // a blit is scissored
        glGenRenderbuffers(1, &colour_);
        glBindRenderbuffer(GL_RENDERBUFFER, colour_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        glGenFramebuffers(1, &framebuffer_);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_);
        glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  colour_);
    }
    ~ResolveTarget() {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(read_binding_));
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(draw_binding_));
        glDeleteFramebuffers(1, &framebuffer_);
        glDeleteRenderbuffers(1, &colour_);
        if (scissor_) glEnable(GL_SCISSOR_TEST);
    }
    ResolveTarget(const ResolveTarget&) = delete;
    ResolveTarget& operator=(const ResolveTarget&) = delete;

    bool complete() const {
        return glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
    // Copies (and resolves) the drawn frame into this target, then makes it
    // the one pixels are read from.
    bool take_drawn_frame(int width, int height) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(draw_binding_));
        if (draw_binding_ == 0) glReadBuffer(GL_BACK);
        glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT,
                          GL_NEAREST);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
        return glGetError() == GL_NO_ERROR;
    }

private:
    GLint read_binding_ = 0, draw_binding_ = 0;
    GLboolean scissor_ = GL_FALSE;
    GLuint colour_ = 0, framebuffer_ = 0;
};

}  // namespace

std::vector<uint8_t> read_window_pixels(int width, int height) {
    if (width <= 0 || height <= 0) return {};
    // Errors of earlier drawing are not this read's.
    while (glGetError() != GL_NO_ERROR) continue;
    const size_t row = size_t(width) * 4;
    std::vector<uint8_t> raw(row * size_t(height));
    {
        ResolveTarget target(width, height);
        if (!target.complete() || !target.take_drawn_frame(width, height)) return {};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
        if (glGetError() != GL_NO_ERROR) return {};
    }
    // GL counts rows from the bottom.
    std::vector<uint8_t> pixels(raw.size());
    for (int y = 0; y < height; ++y) {
        std::copy_n(raw.begin() + std::ptrdiff_t(size_t(height - 1 - y) * row), row,
                    pixels.begin() + std::ptrdiff_t(size_t(y) * row));
    }
    return pixels;
}

}  // namespace druvex
