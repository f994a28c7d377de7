// Slider: dragging, clicks and drawing.
#include <nanogui/opengl.h>
#include <nanogui/slider.h>

#include <algorithm>

namespace nanogui {

Slider::Slider(Widget* parent) : Widget(parent) { mHighlightColor = Color(255, 80, 80, 70); }

Vector2i Slider::preferredSize(NVGcontext*) const { return Vector2i(70, 16); }

float Slider::valueAt(const Vector2i& p) const {
    const float kr = (float)(int)(mSize.y() * 0.4f), kshadow = 3;
    const float startX = kr + kshadow + mPos.x() - 1;
    const float widthX = std::max(1.0f, mSize.x() - 2 * (kr + kshadow));
    float value = (p.x() - startX) / widthX;
    value = value * (mRange.second - mRange.first) + mRange.first;
    return std::min(std::max(value, mRange.first), mRange.second);
}

bool Slider::mouseDragEvent(const Vector2i& p, const Vector2i&, int, int) {
    if (!mEnabled) return false;
    mValue = valueAt(p);
    if (mCallback) {
        KeepAlive self(this);
        auto cb = mCallback;
        cb(mValue);
    }
    return true;
}

bool Slider::mouseButtonEvent(const Vector2i& p, int, bool down, int) {
    if (!mEnabled) return false;
    KeepAlive self(this);
    mValue = valueAt(p);
    if (mCallback) {
        auto cb = mCallback;
        cb(mValue);
    }
    if (mFinalCallback && !down) {
        auto cb = mFinalCallback;
        cb(mValue);
    }
    return true;
}

void Slider::draw(NVGcontext* ctx) {
    Widget::draw(ctx);
    Vector2f center = mPos.cast<float>() + mSize.cast<float>() * 0.5f;
    float kr = (float)(int)(mSize.y() * 0.4f), kshadow = 3;
    float startX = kr + kshadow + mPos.x();
    float widthX = mSize.x() - 2 * (kr + kshadow);
    float range = mRange.second - mRange.first;
    float t = range != 0 ? (mValue - mRange.first) / range : 0.0f;
    t = std::min(std::max(t, 0.0f), 1.0f);
    Vector2f knobPos(startX + t * widthX, center.y() + 0.5f);

    // Track
    nvgFillRectGradient(ctx, startX, center.y() - 3 + 1, widthX, 6, 2, Color(0, mEnabled ? 70 : 40),
                        Color(0, mEnabled ? 130 : 70));
    if (mEnabled) {
        nvgFillColor(ctx, Color(mTheme->mAccent.head<3>(), 0.55f));
        nvgFillRect(ctx, startX, center.y() - 2 + 1, knobPos.x() - startX, 4, 2);
    }
    if (mHighlightedRange.second != mHighlightedRange.first && range != 0) {
        nvgFillColor(ctx, mHighlightColor);
        float a = (mHighlightedRange.first - mRange.first) / range,
              b = (mHighlightedRange.second - mRange.first) / range;
        nvgFillRect(ctx, startX + a * widthX, center.y() - kshadow + 1, widthX * (b - a),
                    kshadow * 2, 2);
    }
    // Knob with its shadow
    nvgFillColor(ctx, Color(0, 64));
    nvgFillCircle(ctx, knobPos.x(), knobPos.y() + 1, kr + 1);
    Color knobTop = mMouseFocus && mEnabled ? Color(170, 255) : Color(150, 255);
    Color knobBottom = mMouseFocus && mEnabled ? Color(120, 255) : Color(100, 255);
    if (!mEnabled) {
        knobTop = Color(90, 255);
        knobBottom = Color(70, 255);
    }
    nvgFillColor(ctx, knobBottom);
    nvgFillCircle(ctx, knobPos.x(), knobPos.y(), kr);
    nvgFillColor(ctx, knobTop);
    nvgFillCircle(ctx, knobPos.x(), knobPos.y() - 1, kr - 1.5f);
    nvgStrokeColor(ctx, Color(0, 110));
    nvgStrokeWidth(ctx, 1.0f);
    nvgStrokeCircle(ctx, knobPos.x(), knobPos.y(), kr);
    nvgFillColor(ctx, Color(0, mEnabled ? 120 : 60));
    nvgFillCircle(ctx, knobPos.x(), knobPos.y(), kr / 2.5f);
}

}  // namespace nanogui
