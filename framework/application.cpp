#include "framework/application.h"

#include "framework/exception.h"
#include "framework/form.h"

#include <commctrl.h>
#include <objbase.h>

#include <new>

TApplication* Application = nullptr;

namespace {

void messageBoxErrorBox(HWND owner, const std::wstring& text, const std::wstring& caption) {
    MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

std::wstring modulePath(HINSTANCE instance) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(instance, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace

TApplication::TApplication(HINSTANCE instance)
    : TComponent(nullptr),
      instance_(instance ? instance : GetModuleHandleW(nullptr)),
      title_(TitleFromPath(modulePath(nullptr))),
      errorBox_(messageBoxErrorBox) {
    Application = this;
}

TApplication::~TApplication() {
    // Forms go before COM does: the list window's document object holds COM interfaces.
    DestroyComponents();
    if (comInitialized_) CoUninitialize();
    if (Application == this) Application = nullptr;
}

void TApplication::Initialize() {
    // S_FALSE (already initialised on this thread) also needs its CoUninitialize.
    comInitialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    TForm::RegisterClasses(instance_);
}

bool TApplication::ProcessMessage(MSG& msg) {
    if (msg.message == WM_QUIT) return false;
    if (activeDialog_ && IsWindow(activeDialog_) && IsDialogMessageW(activeDialog_, &msg)) return true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

void TApplication::Run() {
    MSG msg;
    while (!terminated_ && GetMessageW(&msg, nullptr, 0, 0) > 0) ProcessMessage(msg);
}

void TApplication::Terminate() noexcept {
    if (!terminated_) PostQuitMessage(0);
    terminated_ = true;
}

void TApplication::HandleException(std::exception_ptr error) noexcept {
    std::wstring message;
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        message = e.Message();
    } catch (const std::bad_alloc&) {
        message = systemMessage(ERROR_NOT_ENOUGH_MEMORY);
    } catch (...) {
        // Anything that is not ours is shown as an exception without a message.
    }
    ShowException(message);
}

void TApplication::ShowException(const std::wstring& message) noexcept {
    try {
        // Never own the box by a hidden window: it would be hidden with it.
        HWND owner = activeDialog_ && IsWindowVisible(activeDialog_) ? activeDialog_ : nullptr;
        errorBox_(owner, ErrorText(message), title_);
    } catch (...) {
        // Nothing is left to report a failure of the report itself to.
    }
}

std::wstring TApplication::ErrorText(const std::wstring& message) {
    if (!message.empty() && message.back() > L'.') return message + L'.';
    return message;
}

std::wstring TApplication::TitleFromPath(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    name = name.substr(0, name.find(L'.'));
    if (name.size() > 1) CharLowerBuffW(name.data() + 1, static_cast<DWORD>(name.size() - 1));
    return name;
}
