// ComboBox: items, selection and the item popup.
#include <nanogui/combobox.h>
#include <nanogui/layout.h>
#include <nanogui/opengl.h>

namespace nanogui {

ComboBox::ComboBox(Widget* parent) : PopupButton(parent) {}

ComboBox::ComboBox(Widget* parent, const std::vector<std::string>& items) : PopupButton(parent) {
    setItems(items);
}

ComboBox::ComboBox(Widget* parent, const std::vector<std::string>& items,
                   const std::vector<std::string>& itemsShort)
    : PopupButton(parent) {
    setItems(items, itemsShort);
}

void ComboBox::setSelectedIndex(int idx) {
    if (mItemsShort.empty() || idx < 0 || idx >= (int)mItemsShort.size()) return;
    const std::vector<Widget*>& children = popup()->children();
    if (mSelectedIndex >= 0 && mSelectedIndex < (int)children.size())
        if (Button* b = dynamic_cast<Button*>(children[(size_t)mSelectedIndex]))
            b->setPushed(false);
    if (idx < (int)children.size())
        if (Button* b = dynamic_cast<Button*>(children[(size_t)idx])) b->setPushed(true);
    mSelectedIndex = idx;
    setCaption(mItemsShort[(size_t)idx]);
}

void ComboBox::setItems(const std::vector<std::string>& items,
                        const std::vector<std::string>& itemsShort) {
    mItems = items;
    mItemsShort = itemsShort;
    if (mItemsShort.size() < mItems.size())
        mItemsShort.insert(mItemsShort.end(), mItems.begin() + (long)mItemsShort.size(),
                           mItems.end());
    if (mItemsShort.size() > mItems.size()) mItemsShort.resize(mItems.size());
    if (mSelectedIndex < 0 || mSelectedIndex >= (int)mItems.size()) mSelectedIndex = 0;
    while (popup()->childCount() != 0)
        popup()->childAt(popup()->childCount() - 1)->removeFromParent();
    popup()->setLayout(new GroupLayout(10, 4, 14, 20));
    int index = 0;
    for (const auto& str : mItems) {
        Button* button = new Button(popup(), str);
        button->setFlags(Button::RadioButton);
        button->setFontSize(mFontSize > 0 ? mFontSize : 16);
        button->setCallback([this, index] {
            mSelectedIndex = index;
            setCaption(mItemsShort[(size_t)index]);
            setPushed(false);
            popup()->setVisible(false);
            if (mCallback) {
                auto cb = mCallback;
                cb(index);
            }
        });
        index++;
    }
    if (mItems.empty())
        setCaption("");
    else
        setSelectedIndex(mSelectedIndex);
}

bool ComboBox::scrollEvent(const Vector2i&, const Vector2f&) { return false; }

}  // namespace nanogui
