#include "framework/edit.h"

#include "framework/application.h"
#include "framework/exception.h"

#include <commctrl.h>

TEdit::~TEdit() {
    if (hwnd_ && IsWindow(hwnd_)) RemoveWindowSubclass(hwnd_, SubclassProc, 1);
}

void TEdit::Attach(HWND edit) {
    hwnd_ = edit;
    SetWindowSubclass(hwnd_, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

std::wstring TEdit::Text() const {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
    return text;
}

void TEdit::SetText(const std::wstring& text) {
    if (!SetWindowTextW(hwnd_, text.c_str())) throwLastError();
}

LRESULT CALLBACK TEdit::SubclassProc(HWND edit, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR self) noexcept {
    auto* box = reinterpret_cast<TEdit*>(self);
    switch (msg) {
    case WM_GETDLGCODE: {
        LRESULT code = DefSubclassProc(edit, msg, wparam, lparam);
        auto* pending = reinterpret_cast<const MSG*>(lparam);
        if (pending && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN) code |= DLGC_WANTALLKEYS;
        return code;
    }
    case WM_CHAR: {
        auto key = static_cast<wchar_t>(wparam);
        if (box->OnKeyPress && Application) Application->Guard([&] { box->OnKeyPress(key); });
        // A single-line box has nothing to do with Enter but beep; it stays quiet.
        if (key == 0 || key == L'\r') return 0;
        return DefSubclassProc(edit, msg, key, lparam);
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(edit, SubclassProc, 1);
        box->hwnd_ = nullptr;
        break;
    default:
        break;
    }
    return DefSubclassProc(edit, msg, wparam, lparam);
}
