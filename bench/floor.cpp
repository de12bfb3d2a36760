// The start-up and memory floor: the least a tray program can do. It registers a hidden
// window, adds one notification icon and waits for messages; WM_CLOSE removes the icon and ends it.
#include <windows.h>
#include <shellapi.h>

namespace {

constexpr wchar_t kClassName[] = L"QuilletBenchFloor";
constexpr UINT kCallbackMessage = WM_APP + 1;

NOTIFYICONDATAW iconData(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = 1;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kCallbackMessage;
    data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpynW(data.szTip, L"Floor", ARRAYSIZE(data.szTip));
    return data;
}

LRESULT CALLBACK windowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) noexcept {
    if (msg == WM_CLOSE) {
        NOTIFYICONDATAW data = iconData(window);
        Shell_NotifyIconW(NIM_DELETE, &data);
        DestroyWindow(window);
        return 0;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, msg, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass)) return 1;
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    NOTIFYICONDATAW data = iconData(window);
    if (!Shell_NotifyIconW(NIM_ADD, &data)) return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
