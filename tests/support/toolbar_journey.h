// A user's journey through the toolbar panels: the application's journey with
// the toolbar and the screenshot and demo rows in a window of their own.
#pragma once

#include "app_journey.h"

namespace druvex::testing {

class ToolbarJourney : public AppJourney {
public:
    // `settings` and `prepare` as AppJourney takes them.
    explicit ToolbarJourney(const std::map<std::string, std::string>& settings = {},
                            const PrepareSettings& prepare = {});
    ~ToolbarJourney() override;
    void end() override;

    // As the Control Panel does when the first view's sensors change.
    void rebuild_panels();
    // Loads the capture through the Capture panel and pauses it there.
    void load_paused(const std::string& capture);

protected:
    // The panels' window.
    nanogui::Widget* default_root() override { return window_.get(); }
    void on_frame() override;

private:
    void build_panels();
    void release_panels();

    nanogui::ref<nanogui::Window> window_;
    FormHelper* form_ = nullptr;
};

}  // namespace druvex::testing
