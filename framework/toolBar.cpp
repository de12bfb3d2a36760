#include "framework/toolBar.h"

#include "framework/application.h"
#include "framework/exception.h"

#include <vector>

void TImageList::Load(int bitmapId, int size) {
    HINSTANCE instance = ResourceInstance();
    auto strip = static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!strip) throwLastError();
    BITMAP info{};
    GetObjectW(strip, sizeof info, &info);
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, info.bmWidth / size, 0);
    if (list) ImageList_Add(list, strip, nullptr);
    DeleteObject(strip);
    if (!list) throwLastError();
    if (list_) ImageList_Destroy(list_);
    list_ = list;
}

TImageList::~TImageList() {
    if (list_) ImageList_Destroy(list_);
}

void TToolBar::Attach(HWND toolBar, std::span<const TToolButton> buttons) {
    hwnd_ = toolBar;
    buttons_ = buttons;
    SendMessageW(hwnd_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    std::vector<TBBUTTON> items;
    for (const TToolButton& button : buttons) {
        TBBUTTON item{};
        item.iBitmap = button.imageIndex;
        item.idCommand = button.separator ? 0 : button.id;
        item.fsState = TBSTATE_ENABLED;
        item.fsStyle = button.separator ? BTNS_SEP : BTNS_BUTTON;
        item.iString = -1;
        items.push_back(item);
    }
    SendMessageW(hwnd_, TB_ADDBUTTONSW, items.size(), reinterpret_cast<LPARAM>(items.data()));
}

void TToolBar::SetImages(const TImageList& normal, const TImageList& hot, const TImageList& disabled, SIZE glyph, SIZE button) {
    SendMessageW(hwnd_, TB_SETBITMAPSIZE, 0, MAKELPARAM(glyph.cx, glyph.cy));
    SendMessageW(hwnd_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(normal.Handle()));
    SendMessageW(hwnd_, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(hot.Handle()));
    SendMessageW(hwnd_, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(disabled.Handle()));
    SendMessageW(hwnd_, TB_SETBUTTONSIZE, 0, MAKELPARAM(button.cx, button.cy));
    InvalidateRect(hwnd_, nullptr, TRUE);
}

bool TToolBar::Notify(NMHDR& header, LRESULT& result) const {
    if (header.code != TTN_GETDISPINFOW) return false;
    for (const TToolButton& button : buttons_) {
        if (!button.separator && static_cast<UINT_PTR>(button.id) == header.idFrom) {
            reinterpret_cast<NMTTDISPINFOW&>(header).lpszText = const_cast<wchar_t*>(button.hint);
            result = 0;
            return true;
        }
    }
    return false;
}
