// What the in-process tests share: a fresh application per test with its own APPDATA folder,
// error boxes recorded instead of shown, the shell's icon calls recorded instead of made, and
// helpers that act as a user's input arrives (messages to the real windows).
#pragma once

#include "forms/About.h"
#include "forms/addTaskForm.h"
#include "forms/editTaskForm.h"
#include "forms/grandMain.h"
#include "forms/main.h"
#include "framework/application.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

struct Task {
    std::wstring text;
    bool done = false;
    bool operator==(const Task&) const = default;
};
void PrintTo(const Task& task, std::ostream* out);

// A folder of the test's own under the temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

void removeTree(const std::wstring& path);
std::string readBytes(const std::wstring& path);
void writeBytes(const std::wstring& path, const std::string& bytes);
std::vector<std::wstring> filesIn(const std::wstring& folder);

// The tasks a file holds, read through the DOM as the program does; fails the test when the
// file does not parse.
std::vector<Task> tasksInFile(const std::wstring& path);

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The task file and its folder under this test's APPDATA.
    std::wstring folder() const { return appData_->Path() + L"\\Quillpad"; }
    std::wstring taskFile() const { return folder() + L"\\toDoList.xml"; }
    void writeTaskFile(const std::string& utf8);
    std::vector<Task> fileTasks() const { return tasksInFile(taskFile()); }

    // Opens the list window as a click on the tray icon does.
    TForm1* showList();
    std::vector<Task> listTasks() const;
    void clickToolButton(int id);
    void clickTickBox(int index);
    void clickText(int index);
    void pressSpace();
    void pump();
    // Keys and characters as the keyboard delivers them: posted to the window with the focus
    // and taken through the message loop (and so through the dialog manager).
    void pressKey(HWND target, UINT key);
    void typeInto(HWND target, const std::wstring& text);

    std::unique_ptr<TempFolder> appData_;
    std::unique_ptr<TApplication> app_;
    std::vector<std::wstring> errors_;
    std::vector<DWORD> shellCalls_;
    TForm1* list() const { return Form2->ListForm; }
};

// The icon calls the fixture makes: recorded, and answered with this.
extern BOOL gShellAnswer;
extern std::vector<DWORD>* gShellCalls;
