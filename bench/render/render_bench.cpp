// Point upload and drawing per frame (run under Xvfb: llvmpipe), and staging
// of line sets from producer threads.
#include "render/gl_buffer_store.h"
#include "render/ground_grid.h"
#include "render/point_program.h"
#include "render/render_config.h"

#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

using namespace druvex;

namespace {

constexpr int frame_width = 1024, frame_height = 768;

// A hidden window whose context draws into an off-screen framebuffer.
bool make_context() {
    static GLFWwindow* window = nullptr;
    if (window) return true;
    if (!glfwInit()) return false;
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    window = glfwCreateWindow(64, 64, "render bench", nullptr, nullptr);
    if (!window) return false;
    glfwMakeContextCurrent(window);
    GLuint fbo = 0, colour = 0;
    glGenFramebuffers(1, &fbo);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, frame_width, frame_height);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    return true;
}

// A scan-like cloud: rings of points around the sensor, intensity by range.
std::vector<PointVertex> cloud(size_t n) {
    std::vector<PointVertex> points(n);
    for (size_t i = 0; i < n; ++i) {
        const float a = float(i) * 0.0137f, r = 2.0f + float(i % 997) * 0.05f;
        points[i] = {1.0f, r * std::cos(a), r * std::sin(a), float(i % 32) * 0.1f, r};
    }
    return points;
}

RenderConfig camera() {
    RenderConfig c;
    c.set_grid_viewport(frame_width, frame_height, 0, 1, 1.0f);
    c.colormap = 4;
    c.color_max = 50;
    return c;
}

void run_points(benchmark::State& state, bool draw) {
    if (!make_context()) {
        state.SkipWithError("no OpenGL context (no display?)");
        return;
    }
    const size_t n = size_t(state.range(0));
    std::vector<PointVertex> points = cloud(n);
    PointProgram program;
    RenderConfig c = camera();
    for (auto _ : state) {
        points[0].intensity += 1.0f;  // a new frame's data
        program.upload(n, points.data());
        if (draw) {
            glClear(GL_COLOR_BUFFER_BIT);
            program.draw(c);
        }
        glFinish();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(n));
    state.counters["points/s"] =
        benchmark::Counter(double(state.iterations()) * double(n), benchmark::Counter::kIsRate);
}

void BM_PointUploadDraw(benchmark::State& state) { run_points(state, true); }
void BM_PointUpload(benchmark::State& state) { run_points(state, false); }
BENCHMARK(BM_PointUploadDraw)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PointUpload)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Producers stage ground-ring-sized line sets under the store mutex; nothing
// here touches GL, as on a data thread.
GlBufferStore g_store;

void BM_StageLineSets(benchmark::State& state) {
    const LineStrips rings = build_ground_rings(int(state.range(0)), 10.0f, 0xFF505050, 0xFFC0C0C0);
    const std::string name = "set" + std::to_string(state.thread_index());
    for (auto _ : state) {
        g_store.stage(name, GL_LINE_STRIP, rings.vertices.size(), sizeof(LineVertex),
                      const_cast<LineVertex*>(rings.vertices.data()), false);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(rings.vertices.size()));
    state.SetBytesProcessed(int64_t(state.iterations()) *
                            int64_t(rings.vertices.size() * sizeof(LineVertex)));
}
BENCHMARK(BM_StageLineSets)->Arg(1)->Arg(100)->Threads(1)->Threads(4)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
