#include "framework/exception.h"

#include <cstdarg>
#include <cwchar>
#include <vector>

std::wstring systemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length && buffer) text.assign(buffer, length);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    if (text.empty()) text = formatMessage(L"System error %lu", static_cast<unsigned long>(code));
    return text;
}

std::wstring hresultMessage(HRESULT hr) {
    return systemMessage(static_cast<DWORD>(hr));
}

void throwSystemError(DWORD code) {
    throw Exception(systemMessage(code));
}

void throwLastError() {
    throwSystemError(GetLastError());
}

void throwIfFailed(HRESULT hr) {
    if (FAILED(hr)) throw Exception(hresultMessage(hr));
}

std::wstring formatMessage(const wchar_t* format, ...) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        va_list args;
        va_start(args, format);
        int written = vswprintf(buffer.data(), buffer.size(), format, args);
        va_end(args);
        if (written >= 0 && static_cast<size_t>(written) < buffer.size()) return std::wstring(buffer.data(), written);
        buffer.resize(buffer.size() * 2);
    }
}
