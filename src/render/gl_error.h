// OpenGL error checks that name the file and line.
#pragma once

#include <epoxy/gl.h>

#include <string>

namespace druvex {

// Reads one pending GL error; prints "name | file (line)" for it on standard
// output and returns its code (0 when there was none).
GLenum check_gl_error(const std::string& file, int line);

}  // namespace druvex
