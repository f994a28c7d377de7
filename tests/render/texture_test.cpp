// Encoded images held in memory become 2-D textures.
#include "gl_harness.h"

#include "render/texture.h"

#include <lodepng.h>

#include <stdexcept>

using namespace druvex;
using namespace render_test;

namespace {

std::vector<unsigned char> encode(const std::vector<unsigned char>& pixels, unsigned w, unsigned h,
                                  LodePNGColorType type) {
    lodepng::State state;
    state.info_raw.colortype = type;
    state.info_png.color.colortype = type;
    state.encoder.auto_convert = 0;
    std::vector<unsigned char> png;
    EXPECT_EQ(lodepng::encode(png, pixels, w, h, state), 0u);
    return png;
}

GLint level_parameter(GLenum name) {
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, name, &value);
    return value;
}

class Texture : public GlHarness {
protected:
    void TearDown() override {
        if (texture_.texture) glDeleteTextures(1, &texture_.texture);
    }
    GLTexture texture_{"help", 0};
};

}  // namespace

TEST_F(Texture, GreyImageWithUnalignedRowsBecomesOneChannel) {
    const std::vector<unsigned char> grey = {10, 20, 30, 40, 50, 60};  // 3 x 2, rows of 3 bytes
    const auto png = encode(grey, 3, 2, LCT_GREY);
    const TexturePixels pixels = load_texture_from_memory(texture_, png.data(), png.size());
    ASSERT_NE(texture_.texture, 0u);
    EXPECT_EQ(std::vector<unsigned char>(pixels.get(), pixels.get() + 6), grey);
    glBindTexture(GL_TEXTURE_2D, texture_.texture);
    EXPECT_EQ(level_parameter(GL_TEXTURE_INTERNAL_FORMAT), GL_R8);
    EXPECT_EQ(level_parameter(GL_TEXTURE_WIDTH), 3);
    std::vector<unsigned char> back(6);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_UNSIGNED_BYTE, back.data());
    EXPECT_EQ(back, grey);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Texture, SecondImageReplacesTheTexture) {
    const auto rgba = encode(std::vector<unsigned char>(4 * 4 * 4, 200), 4, 4, LCT_RGBA);
    load_texture_from_memory(texture_, rgba.data(), rgba.size());
    const GLuint first = texture_.texture;
    const auto rgb = encode(std::vector<unsigned char>(5 * 1 * 3, 7), 5, 1, LCT_RGB);
    load_texture_from_memory(texture_, rgb.data(), rgb.size());
    EXPECT_NE(texture_.texture, 0u);
    if (texture_.texture != first) {
        EXPECT_FALSE(glIsTexture(first));
    }
    glBindTexture(GL_TEXTURE_2D, texture_.texture);
    EXPECT_EQ(level_parameter(GL_TEXTURE_INTERNAL_FORMAT), GL_RGB8);
    EXPECT_EQ(level_parameter(GL_TEXTURE_WIDTH), 5);
}

TEST_F(Texture, UndecodableBytesThrowAndLeaveNoTexture) {
    const auto png = encode(std::vector<unsigned char>(4, 1), 2, 2, LCT_GREY);
    load_texture_from_memory(texture_, png.data(), png.size());
    const unsigned char junk[] = "not an image";
    try {
        load_texture_from_memory(texture_, junk, sizeof junk);
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "Could not load texture data from memory ");
    }
    EXPECT_EQ(texture_.texture, 0u);
}
