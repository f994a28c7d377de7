// Slider: a value picked along a horizontal track.
#pragma once

#include <nanogui/widget.h>

namespace nanogui {

class Slider : public Widget {
public:
    explicit Slider(Widget* parent);

    float value() const { return mValue; }
    void setValue(float value) { mValue = value; }
    const Color& highlightColor() const { return mHighlightColor; }
    void setHighlightColor(const Color& c) { mHighlightColor = c; }
    std::pair<float, float> range() const { return mRange; }
    void setRange(std::pair<float, float> range) { mRange = range; }
    std::pair<float, float> highlightedRange() const { return mHighlightedRange; }
    void setHighlightedRange(std::pair<float, float> r) { mHighlightedRange = r; }
    std::function<void(float)> callback() const { return mCallback; }
    void setCallback(const std::function<void(float)>& callback) { mCallback = callback; }
    std::function<void(float)> finalCallback() const { return mFinalCallback; }
    void setFinalCallback(const std::function<void(float)>& callback) { mFinalCallback = callback; }

    Vector2i preferredSize(NVGcontext* ctx) const override;
    bool mouseDragEvent(const Vector2i& p, const Vector2i& rel, int button, int modifiers) override;
    bool mouseButtonEvent(const Vector2i& p, int button, bool down, int modifiers) override;
    void draw(NVGcontext* ctx) override;

protected:
    float valueAt(const Vector2i& p) const;
    float mValue = 0.0f;
    std::function<void(float)> mCallback;
    std::function<void(float)> mFinalCallback;
    std::pair<float, float> mRange{0.0f, 1.0f};
    std::pair<float, float> mHighlightedRange{0.0f, 0.0f};
    Color mHighlightColor;
};

}  // namespace nanogui
