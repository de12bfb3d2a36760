// Start-up and memory of the real program against the floor program, each started as a user's
// log-on would start it, alternating the two, medians over the rounds.
#include "bench/bench.h"

#include <commctrl.h>
#include <psapi.h>

#include <fstream>

namespace {

constexpr UINT kTrayCallback = WM_APP + 1;  // the message Quillet's icon window hears from the shell

struct Window {
    HWND handle;
    std::wstring className, title;
    HWND owner;
};

std::vector<Window> windowsOf(DWORD processId) {
    struct Search {
        DWORD processId;
        std::vector<Window> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s.processId) return TRUE;
            wchar_t className[128] = L"", title[128] = L"";
            GetClassNameW(window, className, 128);
            GetWindowTextW(window, title, 128);
            s.found.push_back({window, className, title, GetWindow(window, GW_OWNER)});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND findChild(HWND parent, const wchar_t* className) {
    struct Search {
        const wchar_t* className;
        HWND found;
    } search{className, nullptr};
    EnumChildWindows(
        parent,
        [](HWND window, LPARAM context) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(context);
            wchar_t name[128] = L"";
            GetClassNameW(window, name, 128);
            if (lstrcmpiW(name, s.className) != 0) return TRUE;
            s.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct Memory {
    double privateBytes = 0, resident = 0, workingSet = 0;
};

// Private bytes: committed memory that belongs to the process alone, summed over its Windows
// address space. Wine leaves the system's own counter (PrivateUsage) at zero, so it is counted
// here, the same way for both programs.
double privateBytes(HANDLE process) {
    double total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (char* at = nullptr; VirtualQueryEx(process, at, &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += static_cast<double>(region.RegionSize);
        char* next = static_cast<char*>(region.BaseAddress) + region.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return total;
}

// Also read: PagefileUsage, which Wine fills with the process's anonymous pages in memory, its
// own Unix-side libraries' (X11, fonts) included; on Windows it equals the private bytes.
Memory memoryOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    check(GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters),
          L"GetProcessMemoryInfo failed");
    double counted = privateBytes(process);
    check(counted > 0, L"no private memory found in the process");
    return {counted, static_cast<double>(counters.PagefileUsage), static_cast<double>(counters.WorkingSetSize)};
}

class Started {
public:
    // Starts the program and waits until its GUI thread first waits for input; `ms` is the
    // time from the process's creation to then.
    explicit Started(const std::wstring& exe) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring commandLine = L"\"" + exe + L"\"";
        double start = nowMs();
        check(CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_),
              L"cannot start " + exe);
        DWORD idle = WaitForInputIdle(info_.hProcess, 60000);
        ms = nowMs() - start;
        check(idle == 0, L"no input idle from " + exe);
    }
    ~Started() {
        for (const Window& w : windowsOf(info_.dwProcessId))
            if (!w.owner && (w.className == L"#32770" || w.className == L"QuilletBenchFloor")) PostMessageW(w.handle, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(info_.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(info_.hProcess, 1);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    HANDLE process() const { return info_.hProcess; }
    DWORD id() const { return info_.dwProcessId; }
    double ms = 0;

private:
    PROCESS_INFORMATION info_{};
};

// Lets the program finish what its start-up posted, so that memory is read at rest.
void settle(const Started& program) {
    WaitForInputIdle(program.process(), 10000);
    Sleep(200);
}

void writeFile(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out << bytes;
    check(static_cast<bool>(out), L"cannot write " + path);
}

}  // namespace

std::vector<Row> measureProcesses(const ProcessOptions& options) {
    constexpr int kTasks = 1000;
    const std::wstring folder = options.appData + L"\\Quillpad";
    CreateDirectoryW(folder.c_str(), nullptr);
    writeFile(folder + L"\\toDoList.xml", sampleTaskFile(kTasks));
    // The programs inherit the environment: Quillet reads its task file from here, never from
    // the user's own folder.
    SetEnvironmentVariableW(L"APPDATA", options.appData.c_str());

    std::vector<double> quilletMs, floorMs, quilletPrivate, floorPrivate, quilletResident, floorResident, quilletSet, floorSet;
    std::vector<double> openPrivate, openResident, openSet;
    auto runFloor = [&] {
        Started floor(options.floorExe);
        bool ready = false;
        for (const Window& w : windowsOf(floor.id())) ready = ready || w.className == L"QuilletBenchFloor";
        check(ready, L"the floor program has no window at input idle");
        floorMs.push_back(floor.ms);
        settle(floor);
        Memory m = memoryOf(floor.process());
        floorPrivate.push_back(m.privateBytes);
        floorResident.push_back(m.resident);
        floorSet.push_back(m.workingSet);
    };
    auto runQuillet = [&] {
        Started quillet(options.quilletExe);
        // At input idle start-up must be over: the icon's window and all four forms exist.
        HWND trayHost = nullptr;
        int dialogs = 0;
        for (const Window& w : windowsOf(quillet.id())) {
            if (w.className == L"TTrayIconWindow") trayHost = w.handle;
            if (w.className == L"#32770") ++dialogs;
        }
        check(trayHost && dialogs == 4, L"Quillet had not finished starting at input idle");
        quilletMs.push_back(quillet.ms);
        settle(quillet);
        Memory m = memoryOf(quillet.process());
        quilletPrivate.push_back(m.privateBytes);
        quilletResident.push_back(m.resident);
        quilletSet.push_back(m.workingSet);

        // A click on the icon, as the shell reports it: the list window opens and reads the file.
        SendMessageW(trayHost, kTrayCallback, 1, WM_LBUTTONDOWN);
        SendMessageW(trayHost, kTrayCallback, 1, WM_LBUTTONUP);
        HWND listView = nullptr;
        for (const Window& w : windowsOf(quillet.id()))
            if (w.className == L"#32770" && IsWindowVisible(w.handle))
                if (HWND found = findChild(w.handle, WC_LISTVIEWW)) listView = found;
        check(listView != nullptr, L"the list window did not open");
        RedrawWindow(listView, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        check(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0) == kTasks, L"the list window does not hold the 1,000 tasks");
        settle(quillet);
        m = memoryOf(quillet.process());
        openPrivate.push_back(m.privateBytes);
        openResident.push_back(m.resident);
        openSet.push_back(m.workingSet);
    };
    // One start of each first, unmeasured: the first program of a session also starts the
    // shell's notification area, and the first start of a file fills the system's caches.
    runFloor();
    runQuillet();
    for (std::vector<double>* figures : {&quilletMs, &floorMs, &quilletPrivate, &floorPrivate, &quilletResident, &floorResident, &quilletSet,
                                         &floorSet, &openPrivate, &openResident, &openSet})
        figures->clear();
    for (int round = 0; round < options.rounds; ++round) {
        if (round % 2) {
            runQuillet();
            runFloor();
        } else {
            runFloor();
            runQuillet();
        }
    }

    const double q = median(quilletMs), f = median(floorMs);
    const double qp = median(quilletPrivate), fp = median(floorPrivate), op = median(openPrivate);
    const double qr = median(quilletResident), fr = median(floorResident), orr = median(openResident);
    const double qs = median(quilletSet), fs = median(floorSet), os = median(openSet);
    return {
        ratioRow(L"Start-up, to input idle", milliseconds(q), milliseconds(f), q / f, 1.3),
        ratioRow(L"Private bytes after start", megabytes(qp), megabytes(fp), qp / fp, 1.5),
        ratioRow(L"Private bytes, 1,000 tasks open", megabytes(op), megabytes(fp), op / fp, 2),
        ratioRow(L"Private pages in memory after start (Wine's PagefileUsage)", megabytes(qr), megabytes(fr), qr / fr, 0),
        ratioRow(L"Private pages in memory, 1,000 tasks open", megabytes(orr), megabytes(fr), orr / fr, 0),
        ratioRow(L"Working set after start", megabytes(qs), megabytes(fs), qs / fs, 0),
        ratioRow(L"Working set, 1,000 tasks open", megabytes(os), megabytes(fs), os / fs, 0),
    };
}
