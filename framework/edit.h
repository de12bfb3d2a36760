// A single-line edit box whose key handler sees every typed character, Enter included (the
// dialog manager would otherwise turn Enter into a command of the form).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class TEdit {
public:
    TEdit() = default;
    TEdit(const TEdit&) = delete;
    TEdit& operator=(const TEdit&) = delete;
    ~TEdit();

    void Attach(HWND edit);
    HWND Handle() const noexcept { return hwnd_; }

    std::wstring Text() const;
    void SetText(const std::wstring& text);

    // Runs before the box handles the character; a key set to 0 is dropped.
    std::function<void(wchar_t& key)> OnKeyPress;

private:
    static LRESULT CALLBACK SubclassProc(HWND edit, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR self) noexcept;

    HWND hwnd_ = nullptr;
};
