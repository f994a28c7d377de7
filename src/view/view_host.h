// What a view and its streams need from the application that owns them. The
// application implements it; tests give views a plain stand-in, so the frame
// path runs without a window or GL context.
#pragma once

#include "formats/imu_capture.h"
#include "view_panel.h"

#include <cstdint>
#include <memory>

struct NVGcontext;

namespace druvex {

class ClipsStore;
class TransformsStore;
class View;

class ViewHost {
public:
    virtual ~ViewHost() = default;

    // Replay clock while a replay is open, else the system clock (microseconds).
    virtual int64_t current_time_usec() = 0;
    // C-clock seconds of the last frame handed to the views.
    virtual int64_t last_data_time() const = 0;
    virtual bool enable_clips() const = 0;
    virtual bool enable_transforms() const = 0;
    virtual bool is_sensor_enabled(uint64_t handle) const = 0;
    virtual bool is_first_view(const View* view) const = 0;
    virtual const ClipsStore& clips() const = 0;
    virtual const TransformsStore& transforms() const = 0;
    // Samples of the IMU demo input; the angular grid only runs while some exist.
    virtual bool has_imu_samples() const = 0;
    // The orientation in force at a time: the newest sample not after it.
    virtual ImuSample imu_sample_at(int64_t time_us) const = 0;
    // Null without a window: the view then keeps its points but draws nothing.
    virtual NVGcontext* nvg_context() const = 0;
    // The view's Control Panel, made once as the view is built; none without
    // a window.
    virtual std::unique_ptr<ViewPanel> make_view_panel(View& view) {
        (void)view;
        return nullptr;
    }
};

}  // namespace druvex
