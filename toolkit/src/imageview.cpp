// ImageView: fitting, panning, zooming and drawing an image.
#include <nanogui/imageview.h>
#include <nanogui/opengl.h>

#include <algorithm>
#include <cmath>

namespace nanogui {

ImageView::ImageView(Widget* parent, unsigned int imageID) : Widget(parent) { bindImage(imageID); }

void ImageView::bindImage(unsigned int imageId) {
    mImageID = imageId;
    mImageSize = Vector2i::Zero();
    if (imageId == 0 || !glfwGetCurrentContext()) return;
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, imageId);
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    glBindTexture(GL_TEXTURE_2D, (GLuint)previous);
    mImageSize = Vector2i(w, h);
}

void ImageView::fit() {
    Vector2f factors =
        mSize.cast<float>().cwiseQuotient(mImageSize.cast<float>().cwiseMax(Vector2f(1, 1)));
    mScale = factors.minCoeff();
    center();
}

Vector2i ImageView::preferredSize(NVGcontext*) const { return mImageSize; }

void ImageView::performLayout(NVGcontext* ctx) { Widget::performLayout(ctx); }

bool ImageView::mouseDragEvent(const Vector2i&, const Vector2i& rel, int button, int) {
    if ((button & (1 << GLFW_MOUSE_BUTTON_1)) != 0 && !mFixedOffset) {
        mOffset += rel.cast<float>();
        return true;
    }
    return false;
}

bool ImageView::scrollEvent(const Vector2i& p, const Vector2f& rel) {
    if (mFixedScale) return false;
    float v = rel.y();
    if (std::abs(v) < 1) v = std::copysign(1.f, v);
    Vector2f local = (p - mPos).cast<float>();
    Vector2f imagePos = (local - mOffset) / mScale;
    mScale = std::max(0.01f, std::min(100.0f, mScale * std::pow(1.1f, v)));
    mOffset = local - imagePos * mScale;
    return true;
}

void ImageView::draw(NVGcontext* ctx) {
    Widget::draw(ctx);
    if (mCenterPending) {
        mOffset = (mSize.cast<float>() - scaledImageSize()) / 2;
        mCenterPending = false;
    }
    Vector2f s = scaledImageSize();
    nvgSave(ctx);
    nvgIntersectScissor(ctx, (float)mPos.x(), (float)mPos.y(), (float)mSize.x(), (float)mSize.y());
    nvgImage(ctx, mImageID, mPos.x() + mOffset.x(), mPos.y() + mOffset.y(), s.x(), s.y(), 0, 0, 1,
             1);
    nvgRestore(ctx);
}

}  // namespace nanogui
