// Setting the window icon from the picture built into the program.
#include "window_icon.h"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <stb_image.h>

#include "embedded_resources.h"

namespace druvex {

void set_window_icon(GLFWwindow* window) {
    if (window == nullptr) return;
    const resources::EmbeddedFile& icon = resources::window_icon;
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(icon.data, static_cast<int>(icon.size), &width, &height,
                                            &channels, 4);
    if (pixels == nullptr) return;
    GLFWimage image{width, height, pixels};
    glfwSetWindowIcon(window, 1, &image);
    stbi_image_free(pixels);
}

}  // namespace druvex
