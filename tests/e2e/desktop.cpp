// What the end-to-end scripts need of the Windows side that xdotool cannot do from X: read
// the text of a message box, list the windows that would get a taskbar button, and play the
// shell's part in a restart (forget the program's icon, announce a new taskbar).
//   e2e_desktop box-text TITLE     the texts of the visible message box captioned TITLE
//   e2e_desktop tooltips           the text of each visible tooltip
//   e2e_desktop foreground         class, title and visibility of the foreground window
//   e2e_desktop taskbar-buttons    title of each visible window that would get a taskbar button
//   e2e_desktop forget-icon        remove the program's notification icon, as a dying shell does
//   e2e_desktop taskbar-created    broadcast "TaskbarCreated", as a new shell does
//   e2e_desktop system-message N   the system's text for the error code N
// Output is UTF-8, one item a line. Exit status: 0 done, 1 nothing found, 2 bad usage.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

void print(const std::wstring& line) {
    std::wstring text = line + L"\n";
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring windowText(HWND window) {
    // WM_GETTEXT is carried across processes; GetWindowText would not ask the other process.
    wchar_t buffer[1024] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, nullptr);
    return buffer;
}

std::wstring className(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return name;
}

std::vector<HWND> topLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(
        [](HWND window, LPARAM list) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

int boxText(const std::wstring& title) {
    int found = 0;
    for (HWND box : topLevelWindows()) {
        if (!IsWindowVisible(box) || className(box) != L"#32770" || windowText(box) != title) continue;
        ++found;
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            std::wstring text = windowText(child);
            if (className(child) == L"Static" && !text.empty()) print(text);
        }
    }
    return found ? 0 : 1;
}

int tooltips() {
    int found = 0;
    for (HWND window : topLevelWindows()) {
        if (!IsWindowVisible(window) || className(window) != L"tooltips_class32") continue;
        ++found;
        print(windowText(window));
    }
    return found ? 0 : 1;
}

int foreground() {
    HWND window = GetForegroundWindow();
    if (!window) return 1;
    print(className(window) + L" '" + windowText(window) + L"' " + (IsWindowVisible(window) ? L"visible" : L"hidden"));
    return 0;
}

// Windows' rule: a visible top-level window that has no owner and is not a tool window, or one
// that asks for a button with WS_EX_APPWINDOW.
int taskbarButtons() {
    for (HWND window : topLevelWindows()) {
        if (!IsWindowVisible(window)) continue;
        LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
        bool owned = GetWindow(window, GW_OWNER) != nullptr;
        if ((exStyle & WS_EX_APPWINDOW) || (!owned && !(exStyle & WS_EX_TOOLWINDOW))) print(windowText(window));
    }
    return 0;
}

int forgetIcon() {
    // The program's icon belongs to its hidden tray window (id 1), as a shell would know it.
    HWND owner = FindWindowW(L"TTrayIconWindow", nullptr);
    if (!owner) return 1;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = 1;
    return Shell_NotifyIconW(NIM_DELETE, &data) ? 0 : 1;
}

int taskbarCreated() {
    UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(HWND_BROADCAST, message, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) ? 0 : 1;
}

int systemMessage(const wchar_t* code) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(_wtoi(code)), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer ? buffer : L"", length);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    print(text);
    return text.empty() ? 1 : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"box-text" && argc == 3) return boxText(argv[2]);
    if (command == L"tooltips") return tooltips();
    if (command == L"foreground") return foreground();
    if (command == L"taskbar-buttons") return taskbarButtons();
    if (command == L"forget-icon") return forgetIcon();
    if (command == L"taskbar-created") return taskbarCreated();
    if (command == L"system-message" && argc == 3) return systemMessage(argv[2]);
    print(L"usage: e2e_desktop box-text TITLE | tooltips | foreground | taskbar-buttons | forget-icon | taskbar-created | system-message N");
    return 2;
}
