// ImageView: a GL texture shown with pan and zoom.
#pragma once

#include <nanogui/widget.h>

namespace nanogui {

// Shows a GL 2-D texture (not owned).
class ImageView : public Widget {
public:
    ImageView(Widget* parent, unsigned int imageID);

    // Shows another texture (queries its size; needs the GL context current).
    void bindImage(unsigned int imageId);
    unsigned int imageID() const { return mImageID; }
    Vector2i imageSize() const { return mImageSize; }
    Vector2f scaledImageSize() const { return mScale * mImageSize.cast<float>(); }

    float scale() const { return mScale; }
    void setScale(float scale) { mScale = scale; }
    const Vector2f& offset() const { return mOffset; }
    void setOffset(const Vector2f& offset) { mOffset = offset; }
    bool fixedScale() const { return mFixedScale; }
    void setFixedScale(bool fixed) { mFixedScale = fixed; }
    bool fixedOffset() const { return mFixedOffset; }
    void setFixedOffset(bool fixed) { mFixedOffset = fixed; }
    // Centres the image in the widget (computed when it is drawn).
    void center() { mCenterPending = true; }
    void fit();

    bool mouseDragEvent(const Vector2i& p, const Vector2i& rel, int button, int modifiers) override;
    bool scrollEvent(const Vector2i& p, const Vector2f& rel) override;
    Vector2i preferredSize(NVGcontext* ctx) const override;
    void performLayout(NVGcontext* ctx) override;
    void draw(NVGcontext* ctx) override;

protected:
    unsigned int mImageID = 0;
    Vector2i mImageSize{0, 0};
    float mScale = 1.0f;
    Vector2f mOffset{0.0f, 0.0f};
    bool mFixedScale = false;
    bool mFixedOffset = false;
    bool mCenterPending = false;
};

}  // namespace nanogui
