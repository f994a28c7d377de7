// The application object under the virtual display.
#include "path_utils.h"
#include "process_runner.h"
#include "viewer_application.h"

#include <nanogui/nanogui.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace druvex {
namespace {

// The renderer workaround destroys a freshly made application at once; what
// the user saved before must survive that.
TEST(ApplicationTest, ApplicationThatNeverRanWritesNoSettings) {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    const std::string home = testing::make_temp_dir();
    ::setenv("APPDATA", home.c_str(), 1);
    nanogui::init();  // left up: unloading the GL driver would hide its allocations from the leak check
    {
        nanogui::ref<ViewerApplication> app = new ViewerApplication(false, 0);
        EXPECT_EQ(app->caption(), "DruvexViewer (1.41)");
        EXPECT_EQ(ViewerApplication::config_path(), home + "/druvex/druvex_viewer_config.json");
    }
    EXPECT_FALSE(file_exists(home + "/druvex"));
    ::unsetenv("APPDATA");
}

}  // namespace
}  // namespace druvex
