// The one exception class of the program, and helpers that turn Win32 and COM failures into it
// with the system's own message.
#pragma once

#include <windows.h>

#include <string>

class Exception {
public:
    explicit Exception(std::wstring message) : message_(std::move(message)) {}
    const std::wstring& Message() const noexcept { return message_; }

private:
    std::wstring message_;
};

// The system's text for a Win32 error code or an HRESULT, without the trailing line break.
std::wstring systemMessage(DWORD code);
std::wstring hresultMessage(HRESULT hr);

[[noreturn]] void throwSystemError(DWORD code);
[[noreturn]] void throwLastError();
void throwIfFailed(HRESULT hr);

// printf-style formatting of a message into a wide string.
std::wstring formatMessage(const wchar_t* format, ...);
