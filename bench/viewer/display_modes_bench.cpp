// One drawn frame of one view in each display mode, next to "Raw": 100k and
// 500k points per view in frames of 10000, a wall 20 m away with two objects
// in front of it that the grid learnt no background for. Counts the heap
// allocations of the frames after the first.
#include "counting_allocator.h"
#include "fake_view_host.h"
#include "view/hex_grid.h"

#include <benchmark/benchmark.h>

namespace druvex {
namespace {

using testing::FakeViewHost;

constexpr size_t frame_points = 10000;

// Direction tangents spread over the grid by a fixed sequence; the two
// objects cover their own patches of it.
struct Scene {
    uint32_t state = 12345;

    float next(float lo, float hi) {
        state = state * 1664525u + 1013904223u;
        return lo + (hi - lo) * static_cast<float>(state >> 8) / 16777216.0f;
    }

    static float distance(float u, float v, bool objects) {
        if (objects && u > -0.1f && u < 0.0f && v > -0.2f && v < 0.1f) return 6.0f;
        if (objects && u > 0.15f && u < 0.3f && v > -0.2f && v < 0.0f) return 9.0f;
        return 20.0f;
    }

    std::vector<DruvexSensorRawPointWithTime> frame(int64_t time_us, bool objects) {
        std::vector<DruvexSensorRawPointWithTime> points;
        points.reserve(frame_points);
        for (size_t i = 0; i < frame_points; ++i) {
            const float u = next(-0.35f, 0.35f), v = next(-0.3f, 0.3f);
            // The view puts a point at x = -d * image_x, z = -d * image_z.
            points.push_back(testing::raw_point(time_us + static_cast<int64_t>(i), -u, -v,
                                                distance(u, v, objects)));
        }
        return points;
    }
};

struct Fixture {
    Fixture(size_t points, int display_mode) {
        view.config.display_mode = display_mode;
        view.config.frame_length = 1.0f;
        push(points, false);
        // The grids learn the wall as background, then the objects arrive.
        view.collect_points();
        for (auto& [handle, stream] : view.streams()) {
            if (!stream->hex_grid()) continue;
            for (int i = 0; i < HexGrid::period_frames; ++i) stream->hex_grid()->tick();
        }
        view.clear_frames();
        push(points, true);
    }

    void push(size_t points, bool objects) {
        const DruvexSensorInformation info = testing::sensor_info(1);
        for (size_t done = 0; done < points; done += frame_points) {
            const auto frame = scene.frame(host.now_us, objects);
            view.on_frame(info, host.now_us, frame.size(), frame.data());
            view.refresh_streams();
        }
        view.refresh_streams();
    }

    FakeViewHost host;
    View view{&host, nullptr, 1};
    Scene scene;
};

void BM_DisplayMode(benchmark::State& state, int display_mode) {
    Fixture f(static_cast<size_t>(state.range(0)), display_mode);
    f.view.collect_points();  // the first frame sizes every buffer
    const uint64_t before = druvex_bench::thread_allocations();
    for (auto _ : state) {
        f.view.collect_points();
        benchmark::DoNotOptimize(f.view.vertices().data());
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["allocs_per_frame"] =
        static_cast<double>(druvex_bench::thread_allocations() - before) / frames;
    state.counters["drawn"] = static_cast<double>(f.view.vertices().size());
    state.counters["boxes"] =
        f.view.cluster_grid() ? static_cast<double>(f.view.cluster_grid()->clusters.size()) : 0.0;
}

BENCHMARK_CAPTURE(BM_DisplayMode, raw, 0)->Arg(100000)->Arg(500000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DisplayMode, grid, 1)->Arg(100000)->Arg(500000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DisplayMode, demo, 3)->Arg(100000)->Arg(500000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DisplayMode, full_grid, 5)
    ->Arg(100000)
    ->Arg(500000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DisplayMode, demo_2, 7)
    ->Arg(100000)
    ->Arg(500000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace druvex
