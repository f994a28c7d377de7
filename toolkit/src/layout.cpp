// Box, group, grid and advanced grid layouts.
#include <nanogui/label.h>
#include <nanogui/layout.h>
#include <nanogui/opengl.h>
#include <nanogui/widget.h>
#include <nanogui/window.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_set>

namespace nanogui {

namespace {
int headerHeight(const Widget* widget) {
    const Window* window = dynamic_cast<const Window*>(widget);
    if (window && !window->title().empty())
        return widget->theme() ? widget->theme()->mWindowHeaderHeight : 30;
    return 0;
}

Vector2i targetSize(NVGcontext* ctx, const Widget* w) {
    Vector2i ps = w->preferredSize(ctx), fs = w->fixedSize();
    return Vector2i(fs[0] ? fs[0] : ps[0], fs[1] ? fs[1] : ps[1]);
}
}  // namespace

// ---- BoxLayout -------------------------------------------------------------------

BoxLayout::BoxLayout(Orientation orientation, Alignment alignment, int margin, int spacing)
    : mOrientation(orientation), mAlignment(alignment), mMargin(margin), mSpacing(spacing) {}

Vector2i BoxLayout::preferredSize(NVGcontext* ctx, const Widget* widget) const {
    Vector2i size = Vector2i::Constant(2 * mMargin);
    int yOffset = 0;
    int header = headerHeight(widget);
    if (header) {
        if (mOrientation == Orientation::Vertical)
            size[1] += header - mMargin / 2;
        else
            yOffset = header;
    }
    bool first = true;
    int axis1 = (int)mOrientation, axis2 = ((int)mOrientation + 1) % 2;
    for (const Widget* w : widget->children()) {
        if (!w->visible()) continue;
        if (first)
            first = false;
        else
            size[axis1] += mSpacing;
        Vector2i ts = targetSize(ctx, w);
        size[axis1] += ts[axis1];
        size[axis2] = std::max(size[axis2], ts[axis2] + 2 * mMargin);
    }
    return size + Vector2i(0, yOffset);
}

void BoxLayout::performLayout(NVGcontext* ctx, Widget* widget) const {
    Vector2i fsW = widget->fixedSize();
    Vector2i containerSize(fsW[0] ? fsW[0] : widget->width(), fsW[1] ? fsW[1] : widget->height());
    int axis1 = (int)mOrientation, axis2 = ((int)mOrientation + 1) % 2;
    int position = mMargin;
    int yOffset = 0;
    int header = headerHeight(widget);
    if (header) {
        if (mOrientation == Orientation::Vertical) {
            position += header - mMargin / 2;
        } else {
            yOffset = header;
            containerSize[1] -= yOffset;
        }
    }
    bool first = true;
    for (Widget* w : widget->children()) {
        if (!w->visible()) continue;
        if (first)
            first = false;
        else
            position += mSpacing;
        Vector2i fs = w->fixedSize();
        Vector2i ts = targetSize(ctx, w);
        Vector2i pos(0, yOffset);
        pos[axis1] = position;
        switch (mAlignment) {
            case Alignment::Minimum: pos[axis2] += mMargin; break;
            case Alignment::Middle: pos[axis2] += (containerSize[axis2] - ts[axis2]) / 2; break;
            case Alignment::Maximum:
                pos[axis2] += containerSize[axis2] - ts[axis2] - mMargin * 2;
                break;
            case Alignment::Fill:
                pos[axis2] += mMargin;
                ts[axis2] = fs[axis2] ? fs[axis2] : (containerSize[axis2] - mMargin * 2);
                break;
        }
        w->setPosition(pos);
        w->setSize(ts);
        w->performLayout(ctx);
        position += ts[axis1];
    }
}

// ---- GroupLayout -----------------------------------------------------------------

Vector2i GroupLayout::preferredSize(NVGcontext* ctx, const Widget* widget) const {
    int height = mMargin, width = 2 * mMargin;
    int header = headerHeight(widget);
    if (header) height += header - mMargin / 2;
    bool first = true, indent = false;
    for (const Widget* c : widget->children()) {
        if (!c->visible()) continue;
        const Label* label = dynamic_cast<const Label*>(c);
        if (!first) height += (label == nullptr) ? mSpacing : mGroupSpacing;
        first = false;
        Vector2i ts = targetSize(ctx, c);
        bool indentCur = indent && label == nullptr;
        height += ts.y();
        width = std::max(width, ts.x() + 2 * mMargin + (indentCur ? mGroupIndent : 0));
        if (label) indent = !label->caption().empty();
    }
    height += mMargin;
    return Vector2i(width, height);
}

void GroupLayout::performLayout(NVGcontext* ctx, Widget* widget) const {
    int height = mMargin;
    int availableWidth =
        (widget->fixedWidth() ? widget->fixedWidth() : widget->width()) - 2 * mMargin;
    int header = headerHeight(widget);
    if (header) height += header - mMargin / 2;
    bool first = true, indent = false;
    for (Widget* c : widget->children()) {
        if (!c->visible()) continue;
        const Label* label = dynamic_cast<const Label*>(c);
        if (!first) height += (label == nullptr) ? mSpacing : mGroupSpacing;
        first = false;
        bool indentCur = indent && label == nullptr;
        Vector2i ps = c->preferredSize(ctx), fs = c->fixedSize();
        Vector2i ts(fs[0] ? fs[0] : availableWidth - (indentCur ? mGroupIndent : 0),
                    fs[1] ? fs[1] : ps[1]);
        c->setPosition(Vector2i(mMargin + (indentCur ? mGroupIndent : 0), height));
        c->setSize(ts);
        c->performLayout(ctx);
        height += ts.y();
        if (label) indent = !label->caption().empty();
    }
}

// ---- AdvancedGridLayout ---------------------------------------------------------------

AdvancedGridLayout::Anchor::operator std::string() const {
    char buf[80];
    std::snprintf(buf, sizeof(buf), "Anchor(%i, %i, %i, %i, %i, %i)", pos[0], pos[1], size[0],
                  size[1], (int)align[0], (int)align[1]);
    return buf;
}

AdvancedGridLayout::AdvancedGridLayout(const std::vector<int>& cols, const std::vector<int>& rows,
                                       int margin)
    : mCols(cols), mRows(rows), mMargin(margin) {
    mColStretch.resize(mCols.size(), 0.0f);
    mRowStretch.resize(mRows.size(), 0.0f);
}

void AdvancedGridLayout::appendRow(int size, float stretch) {
    mRows.push_back(size);
    mRowStretch.push_back(stretch);
}

void AdvancedGridLayout::appendCol(int size, float stretch) {
    mCols.push_back(size);
    mColStretch.push_back(stretch);
}

void AdvancedGridLayout::setRowStretch(int index, float stretch) {
    if (index >= 0 && index < (int)mRowStretch.size()) mRowStretch[(size_t)index] = stretch;
}

void AdvancedGridLayout::setColStretch(int index, float stretch) {
    if (index >= 0 && index < (int)mColStretch.size()) mColStretch[(size_t)index] = stretch;
}

void AdvancedGridLayout::setAnchor(const Widget* widget, const Anchor& anchor) {
    mAnchor[widget] = anchor;
}

AdvancedGridLayout::Anchor AdvancedGridLayout::anchor(const Widget* widget) const {
    auto it = mAnchor.find(widget);
    return it == mAnchor.end() ? Anchor() : it->second;
}

void AdvancedGridLayout::computeLayout(NVGcontext* ctx, const Widget* widget,
                                       std::vector<int>* grids) const {
    Vector2i fsW = widget->fixedSize();
    Vector2i containerSize(fsW[0] ? fsW[0] : widget->width(), fsW[1] ? fsW[1] : widget->height());
    Vector2i extra = Vector2i::Constant(2 * mMargin);
    int header = headerHeight(widget);
    if (header) extra[1] += header - mMargin / 2;
    containerSize -= extra;

    // Only the widget's visible children with an anchor take part.
    std::vector<std::pair<const Widget*, Anchor>> items;
    for (const Widget* w : widget->children()) {
        if (!w->visible() || dynamic_cast<const Window*>(w) != nullptr) continue;
        auto it = mAnchor.find(w);
        if (it == mAnchor.end()) continue;
        items.emplace_back(w, it->second);
    }
    std::vector<Vector2i> targets;
    targets.reserve(items.size());
    for (auto& item : items) targets.push_back(targetSize(ctx, item.first));

    for (int axis = 0; axis < 2; ++axis) {
        std::vector<int>& grid = grids[axis];
        const std::vector<int>& sizes = axis == 0 ? mCols : mRows;
        const std::vector<float>& stretch = axis == 0 ? mColStretch : mRowStretch;
        grid = sizes;
        for (int phase = 0; phase < 2; ++phase) {
            for (size_t k = 0; k < items.size(); ++k) {
                const Anchor& anchor = items[k].second;
                if (anchor.size[axis] == 0) continue;
                if ((anchor.size[axis] == 1) != (phase == 0)) continue;
                int target = targets[k][axis];
                if ((size_t)anchor.pos[axis] + anchor.size[axis] > grid.size())
                    continue;  // out of bounds: ignored
                int currentSize = 0;
                float totalStretch = 0.0f;
                for (int i = anchor.pos[axis]; i < anchor.pos[axis] + anchor.size[axis]; ++i) {
                    if (sizes[(size_t)i] == 0 && anchor.size[axis] == 1)
                        grid[(size_t)i] = std::max(grid[(size_t)i], target);
                    currentSize += grid[(size_t)i];
                    totalStretch += stretch[(size_t)i];
                }
                if (target <= currentSize || totalStretch <= 0.0f) continue;
                float amt = (target - currentSize) / totalStretch;
                for (int i = anchor.pos[axis]; i < anchor.pos[axis] + anchor.size[axis]; ++i)
                    grid[(size_t)i] += (int)std::round(amt * stretch[(size_t)i]);
            }
        }
        if (axis == 1) continue;  // rows never stretch
        int currentSize = std::accumulate(grid.begin(), grid.end(), 0);
        float totalStretch = std::accumulate(stretch.begin(), stretch.end(), 0.0f);
        if (currentSize >= containerSize[axis] || totalStretch <= 0.0f) continue;
        float amt = (containerSize[axis] - currentSize) / totalStretch;
        for (size_t i = 0; i < grid.size(); ++i) grid[i] += (int)std::round(amt * stretch[i]);
    }
}

Vector2i AdvancedGridLayout::preferredSize(NVGcontext* ctx, const Widget* widget) const {
    std::vector<int> grid[2];
    computeLayout(ctx, widget, grid);
    Vector2i size(std::accumulate(grid[0].begin(), grid[0].end(), 0),
                  std::accumulate(grid[1].begin(), grid[1].end(), 0));
    Vector2i extra = Vector2i::Constant(2 * mMargin);
    int header = headerHeight(widget);
    if (header) extra[1] += header - mMargin / 2;
    return size + extra;
}

void AdvancedGridLayout::performLayout(NVGcontext* ctx, Widget* widget) const {
    // Forget anchors of widgets that are no longer children (their address may be reused).
    {
        std::unordered_set<const Widget*> children(widget->children().begin(),
                                                   widget->children().end());
        auto& anchors = const_cast<std::unordered_map<const Widget*, Anchor>&>(mAnchor);
        for (auto it = anchors.begin(); it != anchors.end();) {
            if (!children.count(it->first))
                it = anchors.erase(it);
            else
                ++it;
        }
    }
    std::vector<int> grid[2];
    computeLayout(ctx, widget, grid);
    // Content wider than the widget (a long number in a fixed-width popup)
    // takes the width from the stretchy columns, so no row reaches past the
    // widget's edge; its fields then draw their text smaller.
    const int width = (widget->fixedWidth() ? widget->fixedWidth() : widget->width()) - 2 * mMargin;
    const int excess = std::accumulate(grid[0].begin(), grid[0].end(), 0) - width;
    const float totalStretch = std::accumulate(mColStretch.begin(), mColStretch.end(), 0.0f);
    if (width > 0 && excess > 0 && totalStretch > 0.0f) {
        for (size_t i = 0; i < grid[0].size(); ++i) {
            const int cut = (int)std::ceil(excess * mColStretch[i] / totalStretch);
            grid[0][i] -= std::min(grid[0][i], cut);
        }
    }
    grid[0].insert(grid[0].begin(), mMargin);
    int header = headerHeight(widget);
    grid[1].insert(grid[1].begin(), header ? header + mMargin / 2 : mMargin);
    for (int axis = 0; axis < 2; ++axis)
        for (size_t i = 1; i < grid[axis].size(); ++i) grid[axis][i] += grid[axis][i - 1];

    for (Widget* w : widget->children()) {
        if (!w->visible() || dynamic_cast<const Window*>(w) != nullptr) continue;
        auto it = mAnchor.find(w);
        if (it == mAnchor.end()) continue;
        const Anchor& anchor = it->second;
        bool ok = true;
        Vector2i itemPos, itemSize;
        Vector2i fs = w->fixedSize();
        for (int axis = 0; axis < 2; ++axis) {
            size_t first = anchor.pos[axis], last = (size_t)anchor.pos[axis] + anchor.size[axis];
            if (anchor.size[axis] == 0 || last >= grid[axis].size()) {
                ok = false;
                break;
            }
            int cellPos = grid[axis][first];
            int cellSize = grid[axis][last] - cellPos;
            int target = fs[axis] ? fs[axis] : cellSize;
            if (fs[axis]) {
                switch (anchor.align[axis]) {
                    case Alignment::Minimum: break;
                    case Alignment::Middle: cellPos += (cellSize - target) / 2; break;
                    case Alignment::Maximum: cellPos += cellSize - target; break;
                    case Alignment::Fill: break;
                }
            }
            itemPos[axis] = cellPos;
            itemSize[axis] = target;
        }
        if (!ok) continue;
        w->setPosition(itemPos);
        w->setSize(itemSize);
        w->performLayout(ctx);
    }
}

}  // namespace nanogui
