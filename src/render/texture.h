// GL textures made from images in memory.
#pragma once

#include <epoxy/gl.h>

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string>

namespace druvex {

// A named 2-D GL texture (0 = none). Plain record: the owner deletes the
// texture while its context is current.
struct GLTexture {
    std::string name;
    GLuint texture = 0;
};

struct StbiPixelsDeleter {
    void operator()(unsigned char* pixels) const { std::free(pixels); }
};
using TexturePixels = std::unique_ptr<unsigned char[], StbiPixelsDeleter>;

// GL thread: decodes an encoded image (PNG and the other stb_image formats)
// held in memory into `texture`, replacing any texture it had, and returns
// the decoded pixels. Throws std::invalid_argument when the bytes do not
// decode; the texture is then left without a name.
TexturePixels load_texture_from_memory(GLTexture& texture, const void* bytes, size_t size);

}  // namespace druvex
