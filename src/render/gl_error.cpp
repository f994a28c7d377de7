// Reporting of OpenGL errors with the place they were found.
#include "gl_error.h"

#include <fmt/core.h>

#include <cstdio>

namespace druvex {
namespace {

const char* gl_error_name(GLenum code) {
    switch (code) {
        case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
        case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
        case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
        case GL_INVALID_FRAMEBUFFER_OPERATION: return "GL_INVALID_FRAMEBUFFER_OPERATION";
        default: return "";
    }
}

}  // namespace

GLenum check_gl_error(const std::string& file, int line) {
    const GLenum code = glGetError();
    if (code == GL_NO_ERROR) return code;
    fmt::print("{} | {} ({})\n", gl_error_name(code), file, line);
    std::fflush(stdout);
    return code;
}

}  // namespace druvex
