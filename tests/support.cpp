#include "tests/support.h"

#include "forms/mainIds.h"
#include "program/startup.h"
#include "framework/xmlDocument.h"

#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <ostream>

BOOL gShellAnswer = TRUE;
std::vector<DWORD>* gShellCalls = nullptr;

namespace {

BOOL WINAPI recordShellCall(DWORD message, PNOTIFYICONDATAW) {
    if (gShellCalls) gShellCalls->push_back(message);
    return gShellAnswer;
}

}  // namespace

void PrintTo(const Task& task, std::ostream* out) {
    *out << "{\"" << toUtf8(task.text) << "\", " << (task.done ? "done" : "open") << "}";
}

TempFolder::TempFolder() {
    static int counter = 0;
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    path_ = std::wstring(base) + L"quillet-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    removeTree(path_);
    CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() {
    removeTree(path_);
}

void removeTree(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(path.c_str());
        return;
    }
    for (const std::wstring& name : filesIn(path)) removeTree(path + L"\\" + name);
    RemoveDirectoryW(path.c_str());
}

std::vector<std::wstring> filesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

std::string readBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<Task> tasksInFile(const std::wstring& path) {
    std::vector<Task> tasks;
    TXMLDocument document(nullptr);
    if (!document.LoadFromFile(path)) {
        ADD_FAILURE() << "the file does not parse: " << readBytes(path);
        return tasks;
    }
    for (TXMLNode task = document.DocumentElement().FirstChild(); !task.IsNull(); task = task.NextSibling())
        tasks.push_back({task.ChildNamed(L"text").Text(), task.ChildNamed(L"done").BooleanValue()});
    return tasks;
}

void AppFixture::SetUp() {
    appData_ = std::make_unique<TempFolder>();
    SetEnvironmentVariableW(L"APPDATA", appData_->Path().c_str());
    gShellAnswer = TRUE;
    gShellCalls = &shellCalls_;
    TTrayIcon::ShellNotifyIcon = recordShellCall;
    app_ = std::make_unique<TApplication>();
    app_->SetErrorBox([this](HWND, const std::wstring& text, const std::wstring&) { errors_.push_back(text); });
    app_->Initialize();
    app_->MainFormOnTaskBar = true;
    CreateForms(*app_);
}

void AppFixture::TearDown() {
    app_.reset();
    Form2 = nullptr;
    Form3 = nullptr;
    Form4 = nullptr;
    Form5 = nullptr;
    gShellCalls = nullptr;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    appData_.reset();
}

void AppFixture::writeTaskFile(const std::string& utf8) {
    CreateDirectoryW(folder().c_str(), nullptr);
    writeBytes(taskFile(), utf8);
}

TForm1* AppFixture::showList() {
    SendMessageW(Form2->TrayIcon1->Handle(), TTrayIcon::kCallbackMessage, 1, WM_LBUTTONDOWN);
    SendMessageW(Form2->TrayIcon1->Handle(), TTrayIcon::kCallbackMessage, 1, WM_LBUTTONUP);
    return list();
}

std::vector<Task> AppFixture::listTasks() const {
    std::vector<Task> tasks;
    const TCheckListBox& box = list()->CheckListBox1;
    for (int i = 0; i < box.Count(); ++i) tasks.push_back({box.Text(i), box.Checked(i)});
    return tasks;
}

void AppFixture::clickToolButton(int id) {
    SendMessageW(list()->Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(list()->Control(IDC_MAIN_TOOLBAR1)));
}

namespace {

void pressAt(HWND window, int x, int y) {
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

RECT itemBounds(HWND listView, int index) {
    RECT bounds{};
    ListView_GetItemRect(listView, index, &bounds, LVIR_BOUNDS);
    return bounds;
}

}  // namespace

void AppFixture::clickTickBox(int index) {
    HWND listView = list()->CheckListBox1.Handle();
    RECT bounds = itemBounds(listView, index);
    pressAt(listView, bounds.left + 8, (bounds.top + bounds.bottom) / 2);
}

void AppFixture::clickText(int index) {
    HWND listView = list()->CheckListBox1.Handle();
    RECT bounds = itemBounds(listView, index);
    pressAt(listView, bounds.left + 60, (bounds.top + bounds.bottom) / 2);
}

void AppFixture::pressSpace() {
    HWND listView = list()->CheckListBox1.Handle();
    SendMessageW(listView, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(listView, WM_CHAR, L' ', 0);
    SendMessageW(listView, WM_KEYUP, VK_SPACE, 0);
}

void AppFixture::pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        if (!app_->ProcessMessage(msg)) break;
}

void AppFixture::pressKey(HWND target, UINT key) {
    LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(target, WM_KEYDOWN, key, 1 | scan);
    PostMessageW(target, WM_KEYUP, key, 1 | scan | (3LL << 30));
    pump();
}

void AppFixture::typeInto(HWND target, const std::wstring& text) {
    for (wchar_t c : text) PostMessageW(target, WM_CHAR, c, 1);
    pump();
}
