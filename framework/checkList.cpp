#include "framework/checkList.h"

#include "framework/application.h"
#include "framework/exception.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <new>

namespace {

[[noreturn]] void throwIndexError(int index) {
    throw Exception(formatMessage(L"List index out of bounds (%d)", index));
}

}  // namespace

TCheckListBox::~TCheckListBox() {
    // The control outlives this object by the moment its form takes to destroy it.
    if (hwnd_ && IsWindow(hwnd_)) RemoveWindowSubclass(hwnd_, SubclassProc, 1);
}

void TCheckListBox::Attach(HWND listView) {
    hwnd_ = listView;
    ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    // A virtual list asks for its tick images like for its texts.
    SendMessageW(hwnd_, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    column.cx = 100;
    ListView_InsertColumn(hwnd_, 0, &column);
    SetWindowSubclass(hwnd_, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
    FitColumn();
    Sync();
}

const std::wstring& TCheckListBox::Text(int index) const {
    CheckIndex(index, Count());
    return items_[index].text;
}

bool TCheckListBox::Checked(int index) const {
    CheckIndex(index, Count());
    return items_[index].checked;
}

void TCheckListBox::SetChecked(int index, bool checked) {
    CheckIndex(index, Count());
    items_[index].checked = checked;
    if (hwnd_ && !updating_) ListView_RedrawItems(hwnd_, index, index);
}

std::uint64_t TCheckListBox::ItemId(int index) const {
    CheckIndex(index, Count());
    return items_[index].id;
}

int TCheckListBox::IndexOfItem(std::uint64_t id) const noexcept {
    for (int i = 0; i < Count(); ++i)
        if (items_[i].id == id) return i;
    return -1;
}

void TCheckListBox::Add(std::wstring text) {
    Insert(Count(), std::move(text));
}

void TCheckListBox::Insert(int index, std::wstring text) {
    CheckIndex(index, Count() + 1);
    // An item appended cannot move the selection, and asking the control costs 30 us a call
    // under Wine: 3 s of the 100,000 appends that a large file's load makes.
    int selected = index < Count() ? ItemIndex() : -1;
    try {
        items_.insert(items_.begin() + index, Item{std::move(text), false, ++lastId_});
    } catch (const std::bad_alloc&) {
        throw Exception(L"Unable to insert a line");
    }
    Sync();
    if (selected >= index) SetItemIndex(selected + 1);
}

void TCheckListBox::Delete(int index) {
    CheckIndex(index, Count());
    int selected = ItemIndex();
    items_.erase(items_.begin() + index);
    Sync();
    if (selected == index) SetItemIndex(-1);
    else if (selected > index) SetItemIndex(selected - 1);
}

void TCheckListBox::Clear() {
    items_.clear();
    Sync();
    SetItemIndex(-1);
}

int TCheckListBox::ItemIndex() const noexcept {
    return hwnd_ ? ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED) : -1;
}

void TCheckListBox::SetItemIndex(int index) {
    if (!hwnd_) return;
    ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (index < 0 || index >= Count()) return;
    ListView_SetItemState(hwnd_, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(hwnd_, index, FALSE);
}

void TCheckListBox::EndUpdate() {
    if (updating_ > 0 && --updating_ == 0) Sync();
}

void TCheckListBox::CheckIndex(int index, int count) const {
    if (index < 0 || index >= count) throwIndexError(index);
}

void TCheckListBox::Sync() {
    if (!hwnd_ || updating_) return;
    ListView_SetItemCountEx(hwnd_, Count(), LVSICF_NOSCROLL);
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void TCheckListBox::FitColumn() {
    RECT client;
    GetClientRect(hwnd_, &client);
    ListView_SetColumnWidth(hwnd_, 0, client.right);
}

void TCheckListBox::ToggleByUser(int index) {
    items_[index].checked = !items_[index].checked;
    ListView_RedrawItems(hwnd_, index, index);
    if (OnClickCheck) OnClickCheck();
}

bool TCheckListBox::Notify(NMHDR& header, LRESULT& result) {
    if (header.hwndFrom != hwnd_) return false;
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
        if (item.iItem < 0 || item.iItem >= Count()) return true;
        const Item& entry = items_[item.iItem];
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
            size_t length = std::min(entry.text.size(), static_cast<size_t>(item.cchTextMax - 1));
            entry.text.copy(item.pszText, length);
            item.pszText[length] = L'\0';
        }
        if (item.mask & LVIF_STATE) {
            item.state = (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(entry.checked ? 2 : 1);
            item.stateMask |= LVIS_STATEIMAGEMASK;
        }
        result = 0;
        return true;
    }
    case LVN_ODFINDITEMW:
        result = -1;  // no type-ahead search
        return true;
    default:
        return false;
    }
}

bool TCheckListBox::HandleInput(UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        LVHITTESTINFO hit{};
        hit.pt = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        int index = ListView_HitTest(hwnd_, &hit);
        if (index < 0 || index >= Count() || !(hit.flags & LVHT_ONITEMSTATEICON)) return false;
        ::SetFocus(hwnd_);
        SetItemIndex(index);
        ToggleByUser(index);
        return true;
    }
    case WM_KEYDOWN:
        if (wparam != VK_SPACE) return false;
        if (int index = ItemIndex(); index >= 0) ToggleByUser(index);
        return true;
    case WM_CHAR:
        return wparam == L' ';  // the key-down did the work; the list's own search must not see it
    case WM_SIZE:
        FitColumn();
        return false;
    default:
        return false;
    }
}

LRESULT CALLBACK TCheckListBox::SubclassProc(HWND list, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                             DWORD_PTR self) noexcept {
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(list, SubclassProc, 1);
    bool handled = false;
    if (Application) Application->Guard([&] { handled = reinterpret_cast<TCheckListBox*>(self)->HandleInput(msg, wparam, lparam); });
    return handled ? 0 : DefSubclassProc(list, msg, wparam, lparam);
}
