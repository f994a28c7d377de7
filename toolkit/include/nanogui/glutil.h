// GLSL program helper of the toolkit layer.
#pragma once

#include <nanogui/opengl.h>
#include <string>

namespace nanogui {

// A linked GLSL program. The destructor does not touch GL: call free() while
// the context is current to release the program. bind() only makes the
// program current (no vertex array is made or bound).
class GLShader {
public:
    GLShader() = default;
    GLShader(const GLShader&) = delete;
    GLShader& operator=(const GLShader&) = delete;
    ~GLShader() = default;

    // Compiles and links; on failure prints the log with the name to stderr and
    // returns false (never throws). A non-empty geometry source adds that stage.
    bool init(const std::string& name, const std::string& vertex_str,
              const std::string& fragment_str, const std::string& geometry_str = "");
    // glUseProgram(program).
    void bind();
    // Releases the program (idempotent).
    void free();

    // Location of a uniform; -1 when absent (a warning is printed once when warn).
    GLint uniform(const std::string& name, bool warn = true) const;
    // Location of a vertex attribute; -1 when absent.
    GLint attrib(const std::string& name, bool warn = true) const;

    // Uniform setters; the program must be bound.
    void setUniform(const std::string& name, const Matrix4f& mat, bool warn = true);
    void setUniform(const std::string& name, const Matrix3f& mat, bool warn = true);
    void setUniform(const std::string& name, float value, bool warn = true);
    void setUniform(const std::string& name, int value, bool warn = true);
    void setUniform(const std::string& name, bool value, bool warn = true);
    void setUniform(const std::string& name, const Vector2f& v, bool warn = true);
    void setUniform(const std::string& name, const Vector3f& v, bool warn = true);
    void setUniform(const std::string& name, const Vector4f& v, bool warn = true);

    const std::string& name() const { return mName; }
    GLuint getId() const { return mProgramShader; }
    bool valid() const { return mProgramShader != 0; }

private:
    std::string mName;
    GLuint mProgramShader = 0;
};

}  // namespace nanogui
