// Loading the window icon from the resources folder.
#include "window_icon.h"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <stb_image.h>

namespace druvex {

void set_window_icon(GLFWwindow* window) {
    if (window == nullptr) return;
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load(DRUVEX_RESOURCE_DIR "/icon.png", &width, &height, &channels, 4);
    if (pixels == nullptr) return;
    GLFWimage image{width, height, pixels};
    glfwSetWindowIcon(window, 1, &image);
    stbi_image_free(pixels);
}

}  // namespace druvex
