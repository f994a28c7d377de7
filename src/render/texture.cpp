// Decoding images from memory into GL textures.
#include "texture.h"

#include <stb_image.h>

#include <climits>
#include <stdexcept>

namespace druvex {
namespace {

struct PixelFormat {
    GLint internal;
    GLenum format;
};

PixelFormat format_for_channels(int channels) {
    switch (channels) {
        case 1: return {GL_R8, GL_RED};
        case 2: return {GL_RG8, GL_RG};
        case 3: return {GL_RGB8, GL_RGB};
        default: return {GL_RGBA8, GL_RGBA};
    }
}

}  // namespace

TexturePixels load_texture_from_memory(GLTexture& texture, const void* bytes, size_t size) {
    if (texture.texture) {
        glDeleteTextures(1, &texture.texture);
        texture.texture = 0;
    }
    int width = 0, height = 0, channels = 0;
    // stb_image takes an int length; a larger block cannot be a valid image here.
    TexturePixels pixels(size <= size_t(INT_MAX)
                             ? stbi_load_from_memory(static_cast<const stbi_uc*>(bytes), int(size),
                                                     &width, &height, &channels, 0)
                             : nullptr);
    if (!pixels) throw std::invalid_argument("Could not load texture data from memory ");

    glGenTextures(1, &texture.texture);
    glBindTexture(GL_TEXTURE_2D, texture.texture);
    const PixelFormat f = format_for_channels(channels);
    // Rows of 1- and 3-channel images need not be 4-byte aligned.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, f.internal, width, height, 0, f.format, GL_UNSIGNED_BYTE,
                 pixels.get());
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    return pixels;
}

}  // namespace druvex
