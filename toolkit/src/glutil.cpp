// GLShader: compiling, binding and feeding shader programs.
#include <nanogui/glutil.h>

#include <cstdio>
#include <iostream>
#include <mutex>
#include <set>
#include <vector>

namespace nanogui {

namespace {

GLuint compileStage(GLenum type, const std::string& source, const std::string& name,
                    const char* stage) {
    if (source.empty()) return 0;
    GLuint id = glCreateShader(type);
    const char* src = source.c_str();
    glShaderSource(id, 1, &src, nullptr);
    glCompileShader(id);
    GLint status = GL_FALSE;
    glGetShaderiv(id, GL_COMPILE_STATUS, &status);
    if (status != GL_TRUE) {
        GLint len = 0;
        glGetShaderiv(id, GL_INFO_LOG_LENGTH, &len);
        std::vector<char> log(std::max(len, 1) + 1, '\0');
        glGetShaderInfoLog(id, (GLsizei)log.size() - 1, nullptr, log.data());
        std::cerr << "Error while compiling " << stage << " shader \"" << name << "\":\n"
                  << source << "\n\nError: " << log.data() << std::endl;
        glDeleteShader(id);
        return 0;
    }
    return id;
}

void warnOnce(const std::string& shader, const std::string& what, const std::string& name) {
    static std::mutex mutex;
    static std::set<std::string> warned;
    std::lock_guard<std::mutex> lock(mutex);
    if (warned.insert(shader + "/" + what + "/" + name).second)
        std::cerr << "GLShader \"" << shader << "\": " << what << " \"" << name << "\" not found"
                  << std::endl;
}

}  // namespace

bool GLShader::init(const std::string& name, const std::string& vertex_str,
                    const std::string& fragment_str, const std::string& geometry_str) {
    mName = name;
    if (mProgramShader != 0) free();
    GLuint vs = compileStage(GL_VERTEX_SHADER, vertex_str, name, "vertex");
    GLuint fs = compileStage(GL_FRAGMENT_SHADER, fragment_str, name, "fragment");
    GLuint gs =
        geometry_str.empty() ? 0 : compileStage(GL_GEOMETRY_SHADER, geometry_str, name, "geometry");
    bool ok = vs != 0 && fs != 0 && (geometry_str.empty() || gs != 0);
    if (!ok) {
        if (vertex_str.empty() || fragment_str.empty())
            std::cerr << "Error while compiling shader \"" << name
                      << "\": missing vertex or fragment source" << std::endl;
        if (vs) glDeleteShader(vs);
        if (fs) glDeleteShader(fs);
        if (gs) glDeleteShader(gs);
        return false;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    if (gs) glAttachShader(program, gs);
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    if (gs) glDeleteShader(gs);
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    if (status != GL_TRUE) {
        GLint len = 0;
        glGetProgramiv(program, GL_INFO_LOG_LENGTH, &len);
        std::vector<char> log(std::max(len, 1) + 1, '\0');
        glGetProgramInfoLog(program, (GLsizei)log.size() - 1, nullptr, log.data());
        std::cerr << "Linker error (" << name << "): " << log.data() << std::endl;
        glDeleteProgram(program);
        return false;
    }
    mProgramShader = program;
    return true;
}

void GLShader::bind() { glUseProgram(mProgramShader); }

void GLShader::free() {
    if (mProgramShader != 0) {
        glDeleteProgram(mProgramShader);
        mProgramShader = 0;
    }
}

GLint GLShader::uniform(const std::string& name, bool warn) const {
    if (mProgramShader == 0) return -1;
    GLint id = glGetUniformLocation(mProgramShader, name.c_str());
    if (id == -1 && warn) warnOnce(mName, "uniform", name);
    return id;
}

GLint GLShader::attrib(const std::string& name, bool warn) const {
    if (mProgramShader == 0) return -1;
    GLint id = glGetAttribLocation(mProgramShader, name.c_str());
    if (id == -1 && warn) warnOnce(mName, "attribute", name);
    return id;
}

void GLShader::setUniform(const std::string& name, const Matrix4f& mat, bool warn) {
    GLint id = uniform(name, warn);
    if (id != -1) glUniformMatrix4fv(id, 1, GL_FALSE, mat.data());
}

void GLShader::setUniform(const std::string& name, const Matrix3f& mat, bool warn) {
    GLint id = uniform(name, warn);
    if (id != -1) glUniformMatrix3fv(id, 1, GL_FALSE, mat.data());
}

void GLShader::setUniform(const std::string& name, float value, bool warn) {
    GLint id = uniform(name, warn);
    if (id != -1) glUniform1f(id, value);
}

void GLShader::setUniform(const std::string& name, int value, bool warn) {
    GLint id = uniform(name, warn);
    if (id != -1) glUniform1i(id, value);
}

void GLShader::setUniform(const std::string& name, bool value, bool warn) {
    GLint id = uniform(name, warn);
    if (id != -1) glUniform1i(id, value ? 1 : 0);
}

void GLShader::setUniform(const std::string& name, const Vector2f& v, bool warn) {
    GLint id = uniform(name, warn);
    if (id != -1) glUniform2f(id, v.x(), v.y());
}

void GLShader::setUniform(const std::string& name, const Vector3f& v, bool warn) {
    GLint id = uniform(name, warn);
    if (id != -1) glUniform3f(id, v.x(), v.y(), v.z());
}

void GLShader::setUniform(const std::string& name, const Vector4f& v, bool warn) {
    GLint id = uniform(name, warn);
    if (id != -1) glUniform4f(id, v.x(), v.y(), v.z(), v.w());
}

}  // namespace nanogui
