// What the application does once per drawn frame.
#include "viewer_application.h"

#include "render/lines_renderer.h"
#include "shutdown_signal.h"

#include <nanovg.h>

namespace druvex {

namespace {

constexpr const char* copyright_notice =
    "Druvex LiDAR viewer. Copyright Druvex. All rights reserved.";

}  // namespace

void ViewerApplication::drawContents() {
    if (shutdown_requested()) glfwSetWindowShouldClose(glfwWindow(), 1);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glUseProgram(0);
    glClearDepth(1.0);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    {
        std::lock_guard<std::mutex> lock(LinesRenderer::global_mutex());
        if (LinesRenderer* lines = LinesRenderer::existing()) lines->flush();
    }
    store_view_configs();
    update_streams();
    refresh_gui();
    if (autosave_limiter.ready()) autosave();
    glEnable(GL_DEPTH_TEST);
    for (View* view : get_views()) view->update();
    glDisable(GL_DEPTH_TEST);
    draw_notice();
    show_failures();
    performLayout(nvgContext());
}

void ViewerApplication::show_failures() {
    for (const std::string& message : failure_notices_->take()) banner_->add(message);
    // Above the panels and popups made after it.
    if (banner_->visible() && childIndex(banner_) != childCount() - 1) addChild(banner_);
}

// The band keeps the window's bottom while it shows; the panels end above it
// rather than hide their last rows under it.
int ViewerApplication::panels_bottom() const {
    return banner_->visible() ? height() - banner_->height() : height();
}

void ViewerApplication::draw_notice() {
    NVGcontext* ctx = nvgContext();
    if (ctx == nullptr) return;
    nvgSave(ctx);
    nvgFillColor(ctx, nvgRGB(128, 128, 128));
    nvgFontSize(ctx, 14.0f);
    nvgFontFace(ctx, "sans");
    nvgTextAlign(ctx, NVG_ALIGN_RIGHT | NVG_ALIGN_BOTTOM);
    nvgText(ctx, static_cast<float>(width() - 10), static_cast<float>(height() - 10),
            copyright_notice, nullptr);
    nvgRestore(ctx);
}

void ViewerApplication::store_view_configs() {
    if (!views_.single_views.empty())
        config.single_stream = views_.single_views.front()->get_config();
    if (config.n_streams == 0) config.n_streams = 1;
    if (config.group_streams.size() < config.n_streams)
        config.group_streams.resize(config.n_streams);
    for (size_t i = 0; i < views_.group_views.size() && i < config.group_streams.size(); ++i) {
        config.group_streams[i] = views_.group_views[i]->get_config();
    }
    // The last save runs after the SDK is shut down, when every flag reads
    // as clear: the switches keep what the running SDK last had.
    if (druvex_sdk_is_initialized() == 0) return;
    config.sdk_disable_distance_clip =
        has_sdk_control_flag(DRUVEX_SDK_CONTROL_DISABLE_DISTANCE_CLIP);
    config.sdk_disable_image_clip = has_sdk_control_flag(DRUVEX_SDK_CONTROL_DISABLE_IMAGE_CLIP);
}

void ViewerApplication::apply_config() {
    set_sdk_control_flag(DRUVEX_SDK_CONTROL_DISABLE_DISTANCE_CLIP,
                         config.sdk_disable_distance_clip);
    set_sdk_control_flag(DRUVEX_SDK_CONTROL_DISABLE_IMAGE_CLIP, config.sdk_disable_image_clip);
    last_sdk_error();
    for (size_t i = 0; i < views_.group_views.size() && i < config.group_streams.size(); ++i) {
        views_.group_views[i]->set_config(config.group_streams[i]);
    }
    for (auto& view : views_.single_views) view->set_config(config.single_stream);
}

void ViewerApplication::update_streams() {
    if (replay.is_open() && replay.is_end()) {
        report_sdk_error(replay.seek(0.0f), "Rewind capture failed!");
        refresh_frames();
    }
    watch_demo_input();
    bool refill = false;
    {
        std::lock_guard<std::mutex> lock(data_mutex);
        deliver_frames();
        forward_imu_samples();
        refill = views_.maintain(config);
        layout_views();
        pick_active_view();
    }
    if (refill) refresh_frames();
}

void ViewerApplication::layout_views() {
    const Eigen::Vector2i fb = framebufferSize();
    views_.layout(fb.x(), fb.y(), pixelRatio());
}

void ViewerApplication::pick_active_view() {
    const Eigen::Vector2i p = mousePos();
    active_view = views_.view_under(p.x(), p.y(), width(), height());
}

}  // namespace druvex
