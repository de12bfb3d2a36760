// The application object: COM and common controls set-up, the forms it owns, the message loop,
// the title taken from the program file's name, and the error box every failure ends in.
#pragma once

#include "framework/component.h"

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

class TForm;

class TApplication : public TComponent {
public:
    // Shows an error box; tests replace it to record the box instead of blocking on it.
    using ErrorBox = std::function<void(HWND owner, const std::wstring& text, const std::wstring& caption)>;

    explicit TApplication(HINSTANCE instance = nullptr);
    ~TApplication() override;

    // COM as a single-threaded apartment on this thread, common controls, the window classes.
    void Initialize();

    bool MainFormOnTaskBar = false;

    // Constructs a form owned by the application and stores it in `form`; the first one
    // becomes the main form.
    template <class T>
    void CreateForm(T*& form) {
        form = new T(this);
        if (!mainForm_) mainForm_ = form;
    }

    TForm* MainForm() const noexcept { return mainForm_; }
    HINSTANCE Instance() const noexcept { return instance_; }
    const std::wstring& Title() const noexcept { return title_; }

    // Records the main form's window state as minimised; it never shows anything.
    void Minimize() noexcept { minimized_ = true; }
    bool Minimized() const noexcept { return minimized_; }

    // Runs the message loop until Terminate; returns at once if Terminate came first.
    void Run();
    void Terminate() noexcept;
    bool Terminated() const noexcept { return terminated_; }

    // Runs `action`, showing whatever it throws in the error box. Every window procedure and
    // callback goes through here: no C++ exception may unwind through user32.
    template <class F>
    void Guard(F&& action) noexcept {
        try {
            action();
        } catch (...) {
            HandleException(std::current_exception());
        }
    }
    void HandleException(std::exception_ptr error) noexcept;
    void ShowException(const std::wstring& message) noexcept;

    void SetErrorBox(ErrorBox box) { errorBox_ = std::move(box); }

    // The dialog that gets keyboard navigation (Tab, Enter, Escape) from the loop.
    void SetActiveDialog(HWND dialog) noexcept { activeDialog_ = dialog; }
    HWND ActiveDialog() const noexcept { return activeDialog_; }

    // Dispatches one message as the loop does; false for WM_QUIT.
    bool ProcessMessage(MSG& msg);

    // The error box's text: the message with a full stop appended unless it already ends in
    // a character that sorts at or before it, such as "." or ")".
    static std::wstring ErrorText(const std::wstring& message);
    // The title: the file name without its folder and from its first "." on, every character
    // after the first in lower case.
    static std::wstring TitleFromPath(const std::wstring& path);

private:
    HINSTANCE instance_;
    std::wstring title_;
    TForm* mainForm_ = nullptr;
    HWND activeDialog_ = nullptr;
    bool minimized_ = false;
    bool terminated_ = false;
    bool comInitialized_ = false;
    ErrorBox errorBox_;
};

// The one application object of the process (null when none exists).
extern TApplication* Application;

// The module whose resources (templates, icons, glyphs) the program loads.
inline HINSTANCE ResourceInstance() noexcept {
    return Application ? Application->Instance() : GetModuleHandleW(nullptr);
}
