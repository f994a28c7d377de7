// The window icon of the viewer's main window.
#pragma once

struct GLFWwindow;

namespace druvex {

// Sets the program's icon on the window; an icon that cannot be decoded
// leaves the default.
void set_window_icon(GLFWwindow* window);

}  // namespace druvex
