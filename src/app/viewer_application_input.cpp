// Keyboard input of the application window. Mouse handling and the
// application's own keys join here; for now keys go to the view under the mouse.
#include "viewer_application.h"

namespace druvex {

bool ViewerApplication::keyboardEvent(int key, int scancode, int action, int modifiers) {
    if (nanogui::Screen::keyboardEvent(key, scancode, action, modifiers)) return true;
    if (action == GLFW_RELEASE || active_view == nullptr) return false;
    return active_view->handle_key(key, modifiers);
}

}  // namespace druvex
