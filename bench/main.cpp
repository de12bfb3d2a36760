// The benchmark: start-up, memory, loading and saving, each a ratio to a floor measured in the
// same run. Prints one table (Markdown) and writes it to the file that --out names.
//   quillet_bench [--quillet PATH] [--floor PATH] [--out PATH] [--quick]
// The programs default to Quillet.exe beside the bench's folder and the floor beside the bench.
#include "bench/bench.h"

#include "framework/xmlDocument.h"

#include <objbase.h>
#include <shellapi.h>

#include <cstdio>

namespace {

std::wstring folderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

std::wstring ownPath() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring cell(const std::wstring& text) {
    std::wstring escaped;
    for (wchar_t c : text) escaped += c == L'|' ? std::wstring(L"\\|") : std::wstring(1, c);
    return escaped;
}

std::wstring table(const std::vector<Row>& rows) {
    std::wstring out = L"| Measure | Quillet | Floor | Ratio | Goal | Met |\n|---|--:|--:|--:|--:|:-:|\n";
    for (const Row& r : rows)
        out += L"| " + cell(r.measure) + L" | " + cell(r.quillet) + L" | " + cell(r.floor) + L" | " + cell(r.ratio) + L" | " + cell(r.goal) +
               L" | " + (r.goal.empty() ? L"" : r.met ? L"yes" : L"**no**") + L" |\n";
    int missed = 0;
    for (const Row& r : rows) missed += r.goal.empty() || r.met ? 0 : 1;
    out += L"\nRatios: Quillet over the floor of the same run, medians over alternating rounds; growth rows: the time at 10N over "
           L"the time at N. ";
    out += missed ? format(L"%d goal(s) missed.\n", missed) : std::wstring(L"Every goal met.\n");
    return out;
}

void progress(const wchar_t* what) {
    fwprintf(stderr, L"bench: %ls\n", what);
    fflush(stderr);
}

}  // namespace

int wmain() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::wstring here = folderOf(ownPath());
    std::wstring quillet = folderOf(here) + L"\\Quillet.exe", floor = here + L"\\quillet_floor.exe", out;
    bool quick = false;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--quick") quick = true;
        else if (i + 1 < argc && arg == L"--quillet") quillet = argv[++i];
        else if (i + 1 < argc && arg == L"--floor") floor = argv[++i];
        else if (i + 1 < argc && arg == L"--out") out = argv[++i];
        else fail(L"usage: quillet_bench [--quillet PATH] [--floor PATH] [--out PATH] [--quick]");
    }
    LocalFree(argv);

    // Nothing here touches the user's own task file: every program reads and writes under
    // these folders, removed at the end.
    const std::wstring processData = temporaryFolder(L"processes"), fileData = temporaryFolder(L"file");
    std::vector<Row> rows;
    progress(L"start-up and memory");
    for (Row& r : measureProcesses({quillet, floor, processData, quick ? 3 : 15})) rows.push_back(std::move(r));
    progress(L"loading and saving");
    TaskFileOptions files{fileData, {100, 1000, 10000, 100000}, quick ? 0.3 : 1.0};
    for (Row& r : measureTaskFile(files)) rows.push_back(std::move(r));
    for (Row& r : inspectExe(quillet)) rows.push_back(std::move(r));
    removeTree(processData);
    removeTree(fileData);

    const std::string text = toUtf8(table(rows));
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    if (!out.empty()) {
        HANDLE file = CreateFileW(out.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        check(file != INVALID_HANDLE_VALUE, L"cannot write " + out);
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
    }
    return 0;
}
