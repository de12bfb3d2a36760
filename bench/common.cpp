#include "bench/bench.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cwchar>

double nowMs() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / frequency;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void fail(const std::wstring& what) {
    fwprintf(stderr, L"bench: %ls\n", what.c_str());
    fflush(stderr);
    ExitProcess(2);
}

void check(bool condition, const std::wstring& what) {
    if (!condition) fail(what);
}

std::wstring format(const wchar_t* pattern, ...) {
    wchar_t buffer[1024];
    va_list args;
    va_start(args, pattern);
    vswprintf(buffer, 1024, pattern, args);
    va_end(args);
    return buffer;
}

std::wstring milliseconds(double ms) {
    return ms < 10 ? format(L"%.2f ms", ms) : ms < 100 ? format(L"%.1f ms", ms) : format(L"%.0f ms", ms);
}

std::wstring megabytes(double bytes) {
    return format(L"%.1f MB", bytes / (1024.0 * 1024.0));
}

void removeTree(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") removeTree(path + L"\\" + name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

std::wstring temporaryFolder(const wchar_t* name) {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    std::wstring path = std::wstring(base) + L"quillet-bench-" + std::to_wstring(GetCurrentProcessId()) + L"-" + name;
    removeTree(path);
    check(CreateDirectoryW(path.c_str(), nullptr), L"cannot create " + path);
    return path;
}

Row ratioRow(std::wstring measure, std::wstring quillet, std::wstring floor, double ratio, double goal) {
    return {std::move(measure), std::move(quillet), std::move(floor), format(L"%.2fx", ratio),
            goal > 0 ? format(L"\u2264 %gx", goal) : L"", goal <= 0 || ratio <= goal};
}
