// LinesRenderer: named line and box sets drawn with one camera.
#pragma once

#include "gl_buffer_store.h"
#include "line_strips.h"

#include <nanogui/glutil.h>

#include <atomic>
#include <mutex>
#include <string>

namespace druvex {

struct RenderConfig;

// The process-wide store of overlay geometry (ground rings, distance markers,
// highlight point, measuring line, cluster outlines and boxes) with the two
// programs that draw it: "lines_renderer" for line strips, whose geometry
// stage drops every segment that ends on a transparent vertex, and
// "poly_shader" for everything else.
class LinesRenderer : public GlBufferStore {
public:
    // Creates the instance on first use; the GL context must be current.
    static LinesRenderer* instance();
    // The instance if it was created, else nullptr; never creates it.
    static LinesRenderer* existing();
    // At shut-down, with the GL context current: frees the GL objects.
    static void shutdown();
    // Serialises the instance's creation and whole-set operations of the owners.
    static std::mutex& global_mutex();

    void draw(const std::string& name, const RenderConfig& camera);

private:
    LinesRenderer();
    ~LinesRenderer();

    nanogui::GLShader line_program_;
    nanogui::GLShader poly_program_;

    static std::atomic<LinesRenderer*> instance_;
};

void set_lines(const std::string& name, const LineStrips& strips);
void draw_lines(const std::string& name, const RenderConfig& camera);
// Any thread.
void clear_lines(const std::string& name);

}  // namespace druvex
