// The tool bar: buttons with glyphs from three image lists (normal, hot, disabled) and hints
// shown as tooltips.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <span>

class TImageList {
public:
    TImageList() = default;
    ~TImageList();
    TImageList(const TImageList&) = delete;
    TImageList& operator=(const TImageList&) = delete;

    // Square images cut from a horizontal strip in the resources (32-bit, alpha); replaces
    // what the list held.
    void Load(int bitmapId, int size);
    HIMAGELIST Handle() const noexcept { return list_; }

private:
    HIMAGELIST list_ = nullptr;
};

struct TToolButton {
    int id;
    const wchar_t* hint;  // null for a separator
    int imageIndex;       // for a separator: its width
    bool separator = false;
};

class TToolBar {
public:
    void Attach(HWND toolBar, std::span<const TToolButton> buttons);
    // The glyphs and the button size, again whenever the DPI changes.
    void SetImages(const TImageList& normal, const TImageList& hot, const TImageList& disabled, SIZE glyph, SIZE button);
    HWND Handle() const noexcept { return hwnd_; }
    // Tooltip texts; true when the notification was the tool bar's.
    bool Notify(NMHDR& header, LRESULT& result) const;

private:
    HWND hwnd_ = nullptr;
    std::span<const TToolButton> buttons_;
};
