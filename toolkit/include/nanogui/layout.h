// Layouts of the toolkit layer. Hidden children (own flag or any group) are
// skipped completely; a Window with a title reserves its header.
#pragma once

#include <nanogui/common.h>
#include <string>
#include <unordered_map>
#include <vector>

namespace nanogui {

enum class Alignment : uint8_t { Minimum = 0, Middle, Maximum, Fill };
enum class Orientation { Horizontal = 0, Vertical };

class Layout : public Object {
public:
    virtual void performLayout(NVGcontext* ctx, Widget* widget) const = 0;
    virtual Vector2i preferredSize(NVGcontext* ctx, const Widget* widget) const = 0;

protected:
    ~Layout() override = default;
};

// Children stacked along one axis.
class BoxLayout : public Layout {
public:
    BoxLayout(Orientation orientation, Alignment alignment = Alignment::Middle, int margin = 0,
              int spacing = 0);
    Orientation orientation() const { return mOrientation; }
    void setOrientation(Orientation o) { mOrientation = o; }
    Alignment alignment() const { return mAlignment; }
    void setAlignment(Alignment a) { mAlignment = a; }
    int margin() const { return mMargin; }
    void setMargin(int m) { mMargin = m; }
    int spacing() const { return mSpacing; }
    void setSpacing(int s) { mSpacing = s; }

    Vector2i preferredSize(NVGcontext* ctx, const Widget* widget) const override;
    void performLayout(NVGcontext* ctx, Widget* widget) const override;

protected:
    Orientation mOrientation;
    Alignment mAlignment;
    int mMargin;
    int mSpacing;
};

// Vertical stack; a non-empty Label starts an indented group.
class GroupLayout : public Layout {
public:
    GroupLayout(int margin = 15, int spacing = 6, int groupSpacing = 14, int groupIndent = 20)
        : mMargin(margin),
          mSpacing(spacing),
          mGroupSpacing(groupSpacing),
          mGroupIndent(groupIndent) {}
    int margin() const { return mMargin; }
    int spacing() const { return mSpacing; }
    int groupSpacing() const { return mGroupSpacing; }
    int groupIndent() const { return mGroupIndent; }

    Vector2i preferredSize(NVGcontext* ctx, const Widget* widget) const override;
    void performLayout(NVGcontext* ctx, Widget* widget) const override;

protected:
    int mMargin, mSpacing, mGroupSpacing, mGroupIndent;
};

// Grid with explicit column/row sizes (0 = sized by content) and per-widget anchors.
//
// Sizing: a size-0 column/row grows to the largest visible single-cell widget
// (fixed size, else preferred size); multi-cell anchors grow the stretchy cells
// they span by any shortfall; leftover width goes to stretchy columns; rows
// never stretch. Placement per axis: fixed size 0 fills the cell; a fixed size
// is kept and aligned by the anchor (Minimum/Middle/Maximum; Fill = start).
// Children without an anchor are skipped. Never throws.
class AdvancedGridLayout : public Layout {
public:
    struct Anchor {
        uint8_t pos[2];
        uint8_t size[2];
        Alignment align[2];

        Anchor() : pos{0, 0}, size{0, 0}, align{Alignment::Fill, Alignment::Fill} {}
        Anchor(int x, int y, Alignment horiz = Alignment::Fill, Alignment vert = Alignment::Fill)
            : pos{(uint8_t)x, (uint8_t)y}, size{1, 1}, align{horiz, vert} {}
        Anchor(int x, int y, int w, int h, Alignment horiz = Alignment::Fill,
               Alignment vert = Alignment::Fill)
            : pos{(uint8_t)x, (uint8_t)y}, size{(uint8_t)w, (uint8_t)h}, align{horiz, vert} {}
        operator std::string() const;
    };

    AdvancedGridLayout(const std::vector<int>& cols = {}, const std::vector<int>& rows = {},
                       int margin = 0);

    int margin() const { return mMargin; }
    void setMargin(int margin) { mMargin = margin; }
    int colCount() const { return (int)mCols.size(); }
    int rowCount() const { return (int)mRows.size(); }
    const std::vector<int>& cols() const { return mCols; }
    const std::vector<int>& rows() const { return mRows; }
    void appendRow(int size, float stretch = 0.0f);
    void appendCol(int size, float stretch = 0.0f);
    void setRowStretch(int index, float stretch);
    void setColStretch(int index, float stretch);
    void setAnchor(const Widget* widget, const Anchor& anchor);
    // The widget's anchor; a default (empty) anchor when it has none.
    Anchor anchor(const Widget* widget) const;
    bool hasAnchor(const Widget* widget) const { return mAnchor.count(widget) != 0; }
    void removeAnchor(const Widget* widget) { mAnchor.erase(widget); }

    Vector2i preferredSize(NVGcontext* ctx, const Widget* widget) const override;
    void performLayout(NVGcontext* ctx, Widget* widget) const override;

    // Column widths / row heights (without margins) as the layout computes them.
    void computeLayout(NVGcontext* ctx, const Widget* widget, std::vector<int>* grid) const;

protected:
    std::vector<int> mCols, mRows;
    std::vector<float> mColStretch, mRowStretch;
    std::unordered_map<const Widget*, Anchor> mAnchor;
    int mMargin;
};

}  // namespace nanogui
