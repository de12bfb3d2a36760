#include "framework/trayIcon.h"

#include "framework/application.h"
#include "framework/exception.h"
#include "framework/form.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cwchar>

namespace {

constexpr wchar_t kTrayWindowClass[] = L"TTrayIconWindow";
constexpr UINT kIconId = 1;

UINT taskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

}  // namespace

BOOL(WINAPI* TTrayIcon::ShellNotifyIcon)(DWORD, PNOTIFYICONDATAW) = Shell_NotifyIconW;

void TPopupMenu::Add(std::wstring caption, std::function<void()> onClick) {
    items_.push_back({std::move(caption), std::move(onClick)});
}

UniqueMenu TPopupMenu::Build() const {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) throwLastError();
    for (size_t i = 0; i < items_.size(); ++i) {
        bool separator = items_[i].caption == L"-";
        if (!AppendMenuW(menu.get(), separator ? MF_SEPARATOR : MF_STRING, i + 1, separator ? nullptr : items_[i].caption.c_str()))
            throwLastError();
    }
    return menu;
}

void TPopupMenu::Click(size_t index) const {
    if (index < items_.size() && items_[index].onClick) items_[index].onClick();
}

void TPopupMenu::Popup(int x, int y, HWND owner) const {
    UniqueMenu menu = Build();
    // The owner must be the foreground window, or the menu does not close when the user
    // clicks elsewhere.
    SetForegroundWindow(owner);
    UINT chosen = static_cast<UINT>(TrackPopupMenuEx(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                                                     x, y, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    if (chosen) Click(chosen - 1);
}

TTrayIcon::TTrayIcon(TComponent* owner) : TComponent(owner) {
    HINSTANCE instance = ResourceInstance();
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kTrayWindowClass;
    RegisterClassExW(&windowClass);  // already registered by an earlier icon: fine
    taskbarCreatedMessage();
    // A hidden top-level window, not a message-only one: those miss broadcasts such as
    // "TaskbarCreated".
    hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, kTrayWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, this);
    if (!hwnd_) throwLastError();
}

TTrayIcon::~TTrayIcon() {
    if (visible_) {
        NOTIFYICONDATAW data = IconData();
        ShellNotifyIcon(NIM_DELETE, &data);
    }
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
}

void TTrayIcon::SetIcon(int iconId) {
    iconId_ = iconId;
    LoadIcon();
    Modify();
}

void TTrayIcon::Modify() {
    if (!visible_) return;
    NOTIFYICONDATAW data = IconData();
    ShellNotifyIcon(NIM_MODIFY, &data);
}

void TTrayIcon::LoadIcon() {
    HINSTANCE instance = ResourceInstance();
    HICON icon = nullptr;
    if (FAILED(LoadIconMetric(instance, MAKEINTRESOURCEW(iconId_), LIM_SMALL, &icon))) {
        int size = GetSystemMetrics(SM_CXSMICON);
        icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(iconId_), IMAGE_ICON, size, size, 0));
    }
    // The shell copies the icon, but the old one is freed only after the new one is in place.
    UniqueIcon old = std::exchange(icon_, UniqueIcon(icon));
}

NOTIFYICONDATAW TTrayIcon::IconData() const {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = hwnd_;
    data.uID = kIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kCallbackMessage;
    data.hIcon = icon_.get();
    // The tooltip holds 127 characters and the terminating null.
    std::wstring tip = Application ? Application->Title() : std::wstring();
    wcsncpy(data.szTip, tip.c_str(), std::size(data.szTip) - 1);
    return data;
}

bool TTrayIcon::Add() {
    NOTIFYICONDATAW data = IconData();
    if (!ShellNotifyIcon(NIM_ADD, &data)) return false;
    // Version 4: keyboard selection and the context-menu key reach the icon too.
    data.uVersion = NOTIFYICON_VERSION_4;
    ShellNotifyIcon(NIM_SETVERSION, &data);
    return true;
}

void TTrayIcon::Readd() {
    // Deleting first makes the add succeed even where the old icon survived.
    NOTIFYICONDATAW data = IconData();
    ShellNotifyIcon(NIM_DELETE, &data);
    Add();
}

void TTrayIcon::SetVisible(bool visible) {
    if (visible == visible_) return;
    if (visible) {
        if (!Add()) throw Exception(L"Cannot create shell notification icon");
    } else {
        NOTIFYICONDATAW data = IconData();
        ShellNotifyIcon(NIM_DELETE, &data);
    }
    visible_ = visible;
}

void TTrayIcon::ShowMenu(POINT at, bool fromKeyboard) {
    if (!PopupMenu) return;
    PopupMenu->Popup(at.x, at.y, hwnd_);
    if (fromKeyboard) {
        // The keyboard user goes on in the notification area, where the menu came from.
        NOTIFYICONDATAW data = IconData();
        ShellNotifyIcon(NIM_SETFOCUS, &data);
    }
}

void TTrayIcon::HandleNotification(UINT action, POINT anchor) {
    switch (action) {
    case WM_LBUTTONDOWN:
        leftPressed_ = true;
        break;
    case WM_LBUTTONUP:
        // A click is a release that follows a press on the icon; the release that ends a
        // double click follows none.
        if (leftPressed_) {
            leftPressed_ = false;
            if (OnClick) OnClick();
        }
        break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
        if (OnDblClick) OnDblClick();
        break;
    case NIN_KEYSELECT:
        // Enter or Space on the focused icon: what a click does. (A mouse click's own NIN_SELECT
        // is left alone: its button messages did the work.)
        if (OnClick) OnClick();
        break;
    case WM_RBUTTONUP: {
        rightReleased_ = true;
        POINT at;
        GetCursorPos(&at);
        ShowMenu(at, false);
        break;
    }
    case WM_CONTEXTMENU:
        // Follows a right release, whose menu has been shown already; alone, it comes from
        // Shift+F10 or the menu key, and the menu opens where the shell says.
        if (std::exchange(rightReleased_, false)) break;
        ShowMenu(anchor, true);
        break;
    default:
        break;
    }
}

LRESULT CALLBACK TTrayIcon::WindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) noexcept {
    if (msg == WM_NCCREATE) {
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
    }
    auto* icon = reinterpret_cast<TTrayIcon*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (icon && Application) {
        if (msg == kCallbackMessage) {
            // Version 4 puts the action in the low word and the anchor point in wparam.
            POINT anchor{GET_X_LPARAM(wparam), GET_Y_LPARAM(wparam)};
            Application->Guard([&] { icon->HandleNotification(LOWORD(lparam), anchor); });
            return 0;
        }
        if (msg == taskbarCreatedMessage() || msg == WM_DPICHANGED || msg == WM_DISPLAYCHANGE) {
            // The shell restarted and forgot the icon, or the icon's size changed.
            Application->Guard([&] {
                icon->LoadIcon();
                if (msg != taskbarCreatedMessage()) icon->Modify();
                else if (icon->visible_) icon->Readd();
            });
            return 0;
        }
        switch (msg) {
        case WM_CLOSE:
            // A close sent from outside ends the program as "Exit" does, rather than leaving
            // an icon without its window.
            Application->Guard([&] {
                if (TForm* main = Application->MainForm()) main->Close();
            });
            return 0;
        case WM_SYSCOMMAND:
            // The window is foreground while its menu is open and may stay so: keys that close
            // windows are not meant for it.
            if ((wparam & 0xFFF0) == SC_CLOSE) return 0;
            break;
        case WM_QUERYENDSESSION:
            return TRUE;  // nothing is ever unsaved
        case WM_ENDSESSION:
            if (wparam) Application->Guard([&] { icon->SetVisible(false); });
            return 0;
        default:
            break;
        }
    }
    return DefWindowProcW(window, msg, wparam, lparam);
}
