// ComboBox: a popup button that picks one of its items.
#pragma once

#include <nanogui/popupbutton.h>

namespace nanogui {

// A popup button whose popup lists the items; the caption is the short item.
class ComboBox : public PopupButton {
public:
    explicit ComboBox(Widget* parent);
    ComboBox(Widget* parent, const std::vector<std::string>& items);
    ComboBox(Widget* parent, const std::vector<std::string>& items,
             const std::vector<std::string>& itemsShort);

    // Called on a user choice only.
    std::function<void(int)> callback() const { return mCallback; }
    void setCallback(const std::function<void(int)>& callback) { mCallback = callback; }

    int selectedIndex() const { return mSelectedIndex; }
    // No callback; an index out of range is ignored.
    void setSelectedIndex(int idx);

    void setItems(const std::vector<std::string>& items,
                  const std::vector<std::string>& itemsShort);
    void setItems(const std::vector<std::string>& items) { setItems(items, items); }
    const std::vector<std::string>& items() const { return mItems; }
    const std::vector<std::string>& itemsShort() const { return mItemsShort; }

    // Scrolling does not change the selection.
    bool scrollEvent(const Vector2i& p, const Vector2f& rel) override;

protected:
    std::vector<std::string> mItems, mItemsShort;
    std::function<void(int)> mCallback;
    int mSelectedIndex = 0;
};

}  // namespace nanogui
