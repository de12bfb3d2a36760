// What the reliability scripts need of the Windows side: the tasks a file holds, read by the
// program's own LoadTasks, and a file held open the way another program locks it.
//   reliability_probe tasks FILE...   for each FILE, writes FILE.tasks (one task a line: "1" or
//                                     "0", a tab, the text with \ \t \r \n escaped) and prints
//                                     "FILE<tab>ok N", "unreadable" or "stopped N: message"
//   reliability_probe hold FILE FLAG  opens FILE without sharing, prints "held", and keeps it
//                                     until the file FLAG exists (at most two minutes)
// Output is UTF-8. Exit status: 0 done, 1 a file could not be handled, 2 bad usage.
#include "forms/About.h"
#include "forms/addTaskForm.h"
#include "forms/editTaskForm.h"
#include "forms/grandMain.h"
#include "forms/main.h"
#include "framework/application.h"
#include "framework/exception.h"
#include "framework/trayIcon.h"
#include "framework/unique.h"
#include "framework/xmlDocument.h"

#include <memory>
#include <string>
#include <vector>

namespace {

void print(const std::wstring& line) {
    std::string bytes = toUtf8(line + L"\n");
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring escaped(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        switch (c) {
        case L'\\': out += L"\\\\"; break;
        case L'\t': out += L"\\t"; break;
        case L'\r': out += L"\\r"; break;
        case L'\n': out += L"\\n"; break;
        default: out += c; break;
        }
    }
    return out;
}

bool writeAll(const std::wstring& path, const std::string& bytes) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
}

// The program's reading of each file: a copy is put where LoadTasks looks (a folder of this
// process under the temporary folder, named by APPDATA), so that the real code reads it.
int tasks(int count, wchar_t** files) {
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    const std::wstring appData = std::wstring(temporary) + L"quillet-probe-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(appData.c_str(), nullptr);
    SetEnvironmentVariableW(L"APPDATA", appData.c_str());
    // No icon: the probe must not show up in the notification area that the scripts look at.
    TTrayIcon::ShellNotifyIcon = [](DWORD, PNOTIFYICONDATAW) -> BOOL { return TRUE; };

    std::vector<std::wstring> errors;
    TApplication application(GetModuleHandleW(nullptr));
    application.SetErrorBox([&](HWND, const std::wstring& text, const std::wstring&) { errors.push_back(text); });
    application.Initialize();
    application.CreateForm(Form2);
    const std::wstring taskFile = TaskFilePath();
    int status = 0;
    for (int i = 0; i < count; ++i) {
        const std::wstring file = files[i];
        DeleteFileW(taskFile.c_str());
        if (!CopyFileW(file.c_str(), taskFile.c_str(), FALSE)) {
            print(file + L"\tmissing");
            status = 1;
            continue;
        }
        errors.clear();
        std::unique_ptr<TForm1> form(new TForm1(Form2));
        application.Guard([&] { form->LoadTasks(); });
        const TCheckListBox& list = form->CheckListBox1;
        std::wstring lines;
        for (int item = 0; item < list.Count(); ++item) lines += (list.Checked(item) ? L"1\t" : L"0\t") + escaped(list.Text(item)) + L"\n";
        if (!writeAll(file + L".tasks", toUtf8(lines))) status = 1;
        // LoadTasks reports a file it could not parse by leaving the list untouched; a file that
        // parsed and holds no task is told apart by the DOM itself.
        TXMLDocument document(nullptr);
        if (!errors.empty()) print(file + L"\tstopped " + std::to_wstring(list.Count()) + L": " + errors.front());
        else if (list.Count() == 0 && !document.LoadFromFile(taskFile)) print(file + L"\tunreadable");
        else print(file + L"\tok " + std::to_wstring(list.Count()));
    }
    DeleteFileW(taskFile.c_str());
    RemoveDirectoryW((appData + L"\\Quillpad").c_str());
    RemoveDirectoryW(appData.c_str());
    return status;
}

int hold(const wchar_t* file, const wchar_t* flag) {
    UniqueHandle held(CreateFileW(file, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held) {
        print(L"cannot open: " + systemMessage(GetLastError()));
        return 1;
    }
    print(L"held");
    for (int waited = 0; waited < 120000 && GetFileAttributesW(flag) == INVALID_FILE_ATTRIBUTES; waited += 50) Sleep(50);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"tasks" && argc > 2) return tasks(argc - 2, argv + 2);
    if (command == L"hold" && argc == 4) return hold(argv[2], argv[3]);
    print(L"usage: reliability_probe tasks FILE... | hold FILE FLAG");
    return 2;
}
