// MessageBanner: the failures band, its size and its drawing.
#include "message_banner.h"

#include <nanovg.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace druvex {
namespace {

constexpr float banner_margin = 8.0f;
constexpr float message_font_size = 16.0f;
constexpr float hint_font_size = 14.0f;

void use_font(NVGcontext* ctx, float size) {
    nvgFontFace(ctx, "sans");
    nvgFontSize(ctx, size);
    nvgTextAlign(ctx, NVG_ALIGN_LEFT | NVG_ALIGN_TOP);
}

}  // namespace

MessageBanner::MessageBanner(nanogui::Widget* parent) : nanogui::Widget(parent) {
    setVisible(false);
}

void MessageBanner::add(const std::string& message) {
    setVisible(true);
    // A failure repeated every frame would push every other one out.
    if (!messages_.empty() && messages_.back() == message) return;
    if (messages_.size() == shown_messages) {
        messages_.erase(messages_.begin());
        ++earlier_;
    }
    messages_.push_back(message);
}

void MessageBanner::dismiss() {
    messages_.clear();
    earlier_ = 0;
    setVisible(false);
}

std::vector<std::string> MessageBanner::shown_lines() const {
    std::vector<std::string> lines;
    if (earlier_ > 0) {
        lines.push_back("... and " + std::to_string(earlier_) + " earlier (see the log)");
    }
    lines.insert(lines.end(), messages_.begin(), messages_.end());
    return lines;
}

// The messages' column: the band's width without the margins and the hint.
float MessageBanner::text_width(NVGcontext* ctx) const {
    use_font(ctx, hint_font_size);
    const float hint = nvgTextBounds(ctx, 0.0f, 0.0f, dismiss_hint, nullptr, nullptr);
    const float width = parent() != nullptr ? float(parent()->width()) : float(mSize.x());
    return std::max(width - 4.0f * banner_margin - hint, 100.0f);
}

nanogui::Vector2i MessageBanner::preferredSize(NVGcontext* ctx) const {
    const int width = parent() != nullptr ? parent()->width() : mSize.x();
    if (ctx == nullptr) return nanogui::Vector2i(width, mSize.y());
    const float column = text_width(ctx);
    use_font(ctx, message_font_size);
    float height = 2.0f * banner_margin;
    for (const std::string& line : shown_lines()) {
        float bounds[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        nvgTextBoxBounds(ctx, 0.0f, 0.0f, column, line.c_str(), nullptr, bounds);
        height += std::max(bounds[3] - bounds[1], message_font_size) + 2.0f;
    }
    return nanogui::Vector2i(width, int(std::ceil(height)));
}

void MessageBanner::performLayout(NVGcontext* ctx) {
    setSize(preferredSize(ctx));
    if (parent() != nullptr) setPosition(nanogui::Vector2i(0, parent()->height() - height()));
    nanogui::Widget::performLayout(ctx);
}

void MessageBanner::draw(NVGcontext* ctx) {
    const float x = float(mPos.x()), y = float(mPos.y());
    nvgFillColor(ctx, nvgRGBA(150, 24, 24, 255));
    nvgFillRect(ctx, x, y, float(mSize.x()), float(mSize.y()), 0.0f);
    const float column = text_width(ctx);
    nvgFillColor(ctx, nvgRGBA(255, 210, 210, 255));
    nvgTextAlign(ctx, NVG_ALIGN_RIGHT | NVG_ALIGN_TOP);
    nvgText(ctx, x + float(mSize.x()) - banner_margin, y + banner_margin + 1.0f, dismiss_hint,
            nullptr);
    use_font(ctx, message_font_size);
    nvgFillColor(ctx, nvgRGBA(255, 255, 255, 255));
    float row = y + banner_margin;
    for (const std::string& line : shown_lines()) {
        float bounds[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        nvgTextBoxBounds(ctx, 0.0f, 0.0f, column, line.c_str(), nullptr, bounds);
        nvgTextBox(ctx, x + banner_margin, row, column, line.c_str(), nullptr);
        row += std::max(bounds[3] - bounds[1], message_font_size) + 2.0f;
    }
    nanogui::Widget::draw(ctx);
}

bool MessageBanner::mouseButtonEvent(const nanogui::Vector2i&, int, bool down, int) {
    if (down) dismiss();
    return true;
}

}  // namespace druvex
