#include "framework/form.h"

#include "framework/application.h"
#include "framework/exception.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

namespace {

constexpr wchar_t kPanelClass[] = L"TPanel";

// A borderless container. Its children's notifications go on to the form, so that handlers
// see a button inside a panel just as one placed on the form.
LRESULT CALLBACK PanelProc(HWND panel, UINT msg, WPARAM wparam, LPARAM lparam) noexcept {
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
        return SendMessageW(GetParent(panel), msg, wparam, lparam);
    default:
        return DefWindowProcW(panel, msg, wparam, lparam);
    }
}

// The width of a control's text in its own font.
int TextWidth(HWND control) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return extent.cx;
}

bool isToolBar(HWND control) {
    wchar_t name[64];
    return GetClassNameW(control, name, 64) && lstrcmpiW(name, TOOLBARCLASSNAMEW) == 0;
}

}  // namespace

void TForm::RegisterClasses(HINSTANCE instance) {
    WNDCLASSEXW panel{};
    panel.cbSize = sizeof panel;
    panel.lpfnWndProc = PanelProc;
    panel.hInstance = instance;
    panel.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    panel.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    panel.lpszClassName = kPanelClass;
    // Registering twice (a second application object in the same process) is harmless.
    RegisterClassExW(&panel);
}

TForm::TForm(TComponent* owner, const TFormLayout& layout) : TComponent(owner), layout_(layout) {
    HWND ownerWindow = nullptr;
    // Every form but the main one is owned by the main form's hidden window: owned windows
    // never get a taskbar button.
    if (Application && Application->MainForm()) ownerWindow = Application->MainForm()->Handle();
    HINSTANCE instance = ResourceInstance();
    HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(layout.templateId), ownerWindow, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (!dialog) throwLastError();
}

TForm::~TForm() {
    DestroyComponents();
    if (HWND dialog = std::exchange(hwnd_, nullptr)) {
        // Detach first, so that no message of the destruction reaches a half-destroyed form.
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        if (Application && Application->ActiveDialog() == dialog) Application->SetActiveDialog(nullptr);
        DestroyWindow(dialog);
    }
}

HWND TForm::Control(int id) const noexcept {
    for (const auto& [controlId, control] : controls_)
        if (controlId == id) return control;
    return hwnd_ ? GetDlgItem(hwnd_, id) : nullptr;
}

void TForm::Attach(HWND dialog) {
    hwnd_ = dialog;
    for (const TLayoutItem& item : layout_.controls) controls_.emplace_back(item.id, GetDlgItem(dialog, item.id));
    // Templates cannot nest controls, so children of panels move in now, in tab order.
    for (const TLayoutItem& item : layout_.controls) {
        if (!item.parent) continue;
        HWND control = Control(item.id);
        SetParent(control, Control(item.parent));
        SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (UINT dpi = GetDpiForWindow(dialog)) dpi_ = dpi;
    ApplyDpi();
    RECT frame{0, 0, Scale(layout_.clientWidth), Scale(layout_.clientHeight)};
    AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)), dpi_);
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyLayout();
}

void TForm::ApplyDpi() {
    // Tahoma at 8 points: 11 pixels high at 96 dots per inch.
    // The controls get it; the form keeps the template's, which the dialog manager owns.
    UniqueFont font(CreateFontW(-Scale(11), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma"));
    if (font) {
        for (const auto& [id, control] : controls_) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
        font_ = std::move(font);  // the old one goes only now that no control uses it
    }
    if (layout_.iconId) {
        HINSTANCE instance = ResourceInstance();
        for (auto [which, metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
            int size = GetSystemMetricsForDpi(metric, dpi_);
            // Shared: the system frees it; the same size asked again gives the same icon.
            auto icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(layout_.iconId), IMAGE_ICON, size, size, LR_SHARED));
            SendMessageW(hwnd_, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
        }
    }
}

void TForm::ApplyLayout() {
    struct Area {
        int id;
        int storedWidth, storedHeight;
        int width, height;
        int topUsed;
    };
    std::vector<Area> areas;
    RECT client;
    GetClientRect(hwnd_, &client);
    areas.push_back({0, layout_.clientWidth, layout_.clientHeight, client.right, client.bottom, 0});

    for (const TLayoutItem& item : layout_.controls) {
        auto parent = std::find_if(areas.begin(), areas.end(), [&](const Area& a) { return a.id == item.parent; });
        if (parent == areas.end()) continue;
        HWND control = Control(item.id);
        int x = Scale(item.left), y = Scale(item.top), w = Scale(item.width), h = Scale(item.height);
        switch (item.align) {
        case TAlign::alTop:
            if (isToolBar(control)) h = std::max(h, static_cast<int>(HIWORD(SendMessageW(control, TB_GETBUTTONSIZE, 0, 0))));
            x = 0;
            y = parent->topUsed;
            w = parent->width;
            parent->topUsed += h;
            break;
        case TAlign::alRight:
            x = parent->width - w;
            y = 0;
            h = parent->height;
            break;
        case TAlign::alClient:
            x = 0;
            y = parent->topUsed;
            w = parent->width;
            h = parent->height - parent->topUsed;
            break;
        case TAlign::alNone:
            if (item.anchorRight) w += parent->width - Scale(parent->storedWidth);
            if (item.autoSize) w = TextWidth(control);
            break;
        }
        w = std::max(w, 0);
        h = std::max(h, 0);
        SetWindowPos(control, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
        areas.push_back({item.id, item.width, item.height, w, h, 0});
    }
}

void TForm::PlaceAtDefaultPosition() {
    // Forms cascade from a point inside the work area of the monitor under the mouse, each
    // one a step further than the last, like the system's own default placement; the corner
    // itself is left free for the notification area's windows.
    static int placedSoFar = 0;
    const int step = Scale(24), slot = placedSoFar++ % 8;
    POINT cursor{};
    GetCursorPos(&cursor);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    RECT bounds;
    GetWindowRect(hwnd_, &bounds);
    int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    int x = work.left + (work.right - work.left) / 8 + slot * step;
    int y = work.top + (work.bottom - work.top) / 8 + slot * step;
    x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - width));
    y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - height));
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::Show() {
    if (!placed_) {
        PlaceAtDefaultPosition();
        placed_ = true;
    }
    ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
    SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TForm::Close() {
    bool mainForm = Application && Application->MainForm() == this;
    TCloseAction action = mainForm ? TCloseAction::caFree : TCloseAction::caHide;
    DoClose(action);
    if (action == TCloseAction::caNone) return;
    if (mainForm) {
        Application->Terminate();
        return;
    }
    ShowWindow(hwnd_, action == TCloseAction::caMinimize ? SW_MINIMIZE : SW_HIDE);
}

void TForm::SetFocus() {
    if (!IsWindowVisible(hwnd_) || !IsWindowEnabled(hwnd_)) throw Exception(L"Cannot focus a disabled or invisible window");
    // Active but in the background (the click was on the notification area) is not enough.
    if (GetActiveWindow() == hwnd_ && GetForegroundWindow() == hwnd_) return;
    SetForegroundWindow(hwnd_);
    SetActiveWindow(hwnd_);
}

INT_PTR CALLBACK TForm::DialogProc(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam) noexcept {
    if (msg == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    auto* form = reinterpret_cast<TForm*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!form || !Application) return FALSE;  // WM_SETFONT comes before WM_INITDIALOG
    INT_PTR result = FALSE;
    Application->Guard([&] {
        if (msg == WM_INITDIALOG) form->Attach(dialog);
        result = form->HandleMessage(msg, wparam, lparam);
    });
    return result;
}

INT_PTR TForm::HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
    case WM_INITDIALOG:
        // No focus yet: the form is hidden. Its first activation gives it (below).
        return FALSE;
    case WM_COMMAND:
        // Enter and Escape with no default or cancel button: the dialog manager sends IDOK or
        // IDCANCEL from no control. Neither closes a form, but Enter on a focused push button
        // (one in a panel, which the dialog manager does not see as its own) presses it.
        if ((LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) && !lparam) {
            HWND focus = GetFocus();
            if (LOWORD(wparam) == IDOK && focus && IsChild(hwnd_, focus) &&
                (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)))
                DoCommand(GetDlgCtrlID(focus), BN_CLICKED);
            return TRUE;
        }
        DoCommand(LOWORD(wparam), HIWORD(wparam));
        return TRUE;
    case WM_NOTIFY:
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, DoNotify(*reinterpret_cast<NMHDR*>(lparam)));
        return TRUE;
    case WM_CLOSE:
        Close();
        return TRUE;
    case WM_SYSCOMMAND:
        // Alt+F4 reaches a hidden form when the system left it active; a form the user cannot
        // see is not closed by the user's keys (a close sent by a program still is).
        if ((wparam & 0xFFF0) == SC_CLOSE && !IsWindowVisible(hwnd_)) return TRUE;
        return FALSE;
    case WM_SIZE:
        ApplyLayout();
        DoResize();
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wparam) != WA_INACTIVE) {
            Application->SetActiveDialog(hwnd_);
            if (!activatedOnce_) {
                // First activation: the first control in tab order. Later ones are left to the
                // dialog manager, which brings back the control that last had the focus.
                activatedOnce_ = true;
                if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE)) ::SetFocus(first);
                return TRUE;
            }
        } else if (Application->ActiveDialog() == hwnd_) {
            Application->SetActiveDialog(nullptr);
        }
        return FALSE;
    case WM_DPICHANGED: {
        RECT client;
        GetClientRect(hwnd_, &client);
        // A form at its stored size gets its stored size again; one the user resized keeps its
        // proportion.
        const bool stored = client.right == Scale(layout_.clientWidth) && client.bottom == Scale(layout_.clientHeight);
        const UINT old = std::exchange(dpi_, LOWORD(wparam));
        const int width = stored ? Scale(layout_.clientWidth) : MulDiv(client.right, static_cast<int>(dpi_), static_cast<int>(old));
        const int height = stored ? Scale(layout_.clientHeight) : MulDiv(client.bottom, static_cast<int>(dpi_), static_cast<int>(old));
        ApplyDpi();
        const RECT& suggested = *reinterpret_cast<const RECT*>(lparam);
        SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                     suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
        // The suggestion assumes the frame of the new DPI; where the frame kept its old size,
        // the client area still has to come out scaled.
        GetClientRect(hwnd_, &client);
        if (client.right != width || client.bottom != height) {
            SetWindowPos(hwnd_, nullptr, 0, 0, suggested.right - suggested.left + width - client.right,
                         suggested.bottom - suggested.top + height - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        ApplyLayout();
        DoDpiChanged();
        return TRUE;
    }
    case WM_NCDESTROY:
        hwnd_ = nullptr;
        return FALSE;
    default: {
        INT_PTR result = FALSE;
        return DoMessage(msg, wparam, lparam, result) ? result : FALSE;
    }
    }
}
