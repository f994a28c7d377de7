// One drawn frame of one view: the stream turns its frames into points
// (calibration stood in by a fixed mapping), then the view fades, measures
// and colours them. 10k, 100k and 500k points per view.
#include "fake_view_host.h"

#include <benchmark/benchmark.h>

namespace druvex {
namespace {

using testing::FakeViewHost;

struct Fixture {
    explicit Fixture(size_t points, int color_mode, bool transforms) {
        host.transforms_on = transforms;
        host.clips_on = true;
        view.config.color_mode = color_mode;
        view.config.dynamic_color = true;
        const DruvexSensorInformation info = testing::sensor_info(1);
        // Frames of 10000 points, as a sensor sends them.
        for (size_t done = 0; done < points; done += 10000) {
            const auto frame = testing::raw_frame(10000, host.now_us);
            view.on_frame(info, host.now_us, frame.size(), frame.data());
            view.refresh_streams();
        }
        view.refresh_streams();
        view.config.frame_length = 1.0f;
    }
    FakeViewHost host;
    View view{&host, nullptr, 1};
};

void BM_ViewFrame(benchmark::State& state, int color_mode, bool transforms) {
    Fixture f(static_cast<size_t>(state.range(0)), color_mode, transforms);
    for (auto _ : state) {
        f.view.collect_points();
        benchmark::DoNotOptimize(f.view.vertices().data());
    }
    state.counters["points"] = static_cast<double>(f.view.vertices().size());
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(f.view.vertices().size()));
}

BENCHMARK_CAPTURE(BM_ViewFrame, constant, 0, false)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(500000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ViewFrame, distance_dynamic, 2, false)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(500000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ViewFrame, time_with_poses, 1, true)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(500000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace druvex
