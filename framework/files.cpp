#include "framework/files.h"

#include "framework/exception.h"
#include "framework/unique.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

bool isTransient(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Test hook for the reliability suite: QUILLET_KILL_AT=after-create|after-write|after-flush|
// after-close|after-rename ends the process at once at that step of a save, as a crash would.
// Without the variable (always, outside the suite) it does nothing.
void killPoint(const char* step) {
    static const std::string at = [] {
        char value[32];
        DWORD length = GetEnvironmentVariableA("QUILLET_KILL_AT", value, sizeof value);
        return length && length < sizeof value ? std::string(value, length) : std::string();
    }();
    if (!at.empty() && at == step) TerminateProcess(GetCurrentProcess(), 86);
}

}  // namespace

std::wstring temporaryPathFor(const std::wstring& path) {
    return path + L".tmp";
}

bool isRegularFile(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool fileWithinLimits(const std::wstring& path, unsigned long long maxBytes, unsigned long long maxTags) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || static_cast<unsigned long long>(size.QuadPart) > maxBytes) return false;
    std::vector<char> buffer(1u << 20);
    unsigned long long tags = 0;
    for (DWORD read = 0;; tags += static_cast<unsigned long long>(std::count(buffer.data(), buffer.data() + read, '<'))) {
        if (tags > maxTags) return false;
        if (!ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return false;
        if (!read) return true;
    }
}

void writeFileAtomically(const std::wstring& path, std::string_view bytes) {
    // A rename replaces a read-only file on some systems; refuse it here as Windows would.
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        throwSystemError(ERROR_ACCESS_DENIED);

    const std::wstring temporary = temporaryPathFor(path);
    DWORD error = ERROR_SUCCESS;
    {
        UniqueHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) throwLastError();
        killPoint("after-create");
        size_t done = 0;
        while (!error && done < bytes.size()) {
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20)), written = 0;
            if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr)) error = GetLastError();
            done += written;
        }
        if (!error) killPoint("after-write");
        if (!error && !FlushFileBuffers(file.get())) error = GetLastError();
        if (!error) killPoint("after-flush");
    }
    if (!error) {
        killPoint("after-close");
        // Another program (an indexer, a virus scanner) may hold the file for a moment.
        for (int attempt = 0; attempt < 6; ++attempt) {
            if (MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                killPoint("after-rename");
                return;
            }
            error = GetLastError();
            if (!isTransient(error)) break;
            Sleep(50);
        }
    }
    DeleteFileW(temporary.c_str());
    throwSystemError(error);
}

std::wstring keepUnreadableCopy(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    size_t dot = path.find_last_of(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) dot = path.size();
    const std::wstring stem = path.substr(0, dot), extension = path.substr(dot);

    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::wstring stamp = formatMessage(L".unreadable-%04u%02u%02u-%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute);
    // The copy is made under a temporary name and gets its own when whole: a full disk or a crash
    // in the middle must not leave a torn file that looks like the kept original.
    const std::wstring temporary = path + L".copy.tmp";
    DWORD error = ERROR_SUCCESS;
    if (!CopyFileW(path.c_str(), temporary.c_str(), FALSE)) error = GetLastError();
    if (!error) {
        UniqueHandle copied(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!copied || !FlushFileBuffers(copied.get())) error = GetLastError();
    }
    for (int n = 1; !error; ++n) {
        std::wstring copy = stem + stamp + (n > 1 ? formatMessage(L"-%d", n) : std::wstring()) + extension;
        // Without MOVEFILE_REPLACE_EXISTING: an earlier copy is never overwritten.
        if (MoveFileExW(temporary.c_str(), copy.c_str(), MOVEFILE_WRITE_THROUGH)) return copy;
        error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) error = ERROR_SUCCESS;
    }
    DeleteFileW(temporary.c_str());
    throwSystemError(error);
}
