#include "framework/trayIcon.h"

#include "framework/application.h"
#include "framework/exception.h"

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
    HINSTANCE instance = Application ? Application->Instance() : GetModuleHandleW(nullptr);
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
    HINSTANCE instance = Application ? Application->Instance() : GetModuleHandleW(nullptr);
    icon_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
    if (visible_) {
        NOTIFYICONDATAW data = IconData();
        ShellNotifyIcon(NIM_MODIFY, &data);
    }
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
    return ShellNotifyIcon(NIM_ADD, &data) != FALSE;
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

void TTrayIcon::HandleMouse(UINT action) {
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
    case WM_RBUTTONUP:
        if (PopupMenu) {
            POINT at;
            GetCursorPos(&at);
            PopupMenu->Popup(at.x, at.y, hwnd_);
        }
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
            Application->Guard([&] { icon->HandleMouse(LOWORD(lparam)); });
            return 0;
        }
        if (msg == taskbarCreatedMessage() && icon->visible_) {
            // The shell restarted and forgot the icon. Deleting first makes the add succeed even
            // where the old icon survived.
            NOTIFYICONDATAW data = icon->IconData();
            ShellNotifyIcon(NIM_DELETE, &data);
            icon->Add();
            return 0;
        }
    }
    return DefWindowProcW(window, msg, wparam, lparam);
}
