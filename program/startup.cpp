#include "program/startup.h"

#include "forms/About.h"
#include "forms/addTaskForm.h"
#include "forms/editTaskForm.h"
#include "forms/grandMain.h"
#include "framework/application.h"
#include "framework/exception.h"
#include "framework/unique.h"

void CreateForms(TApplication& application) {
    application.CreateForm(Form2);
    application.CreateForm(Form3);
    application.CreateForm(Form4);
    application.CreateForm(Form5);
}

int RunQuillet(HINSTANCE instance, TApplication::ErrorBox errorBox) {
    // Declared first, so that the guard's name outlives the forms: a new start cannot put a
    // second icon beside one that is still being removed.
    UniqueHandle guard;
    TApplication application(instance);
    if (errorBox) application.SetErrorBox(std::move(errorBox));
    try {
        if (UniqueHandle running{OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kInstanceMutexName)}) return 0;
        HANDLE created = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
        DWORD error = GetLastError();
        guard.reset(created);
        // Two starts at the same moment can both miss the probe; the later creator ends too.
        if (created && error == ERROR_ALREADY_EXISTS) return 0;

        application.Initialize();
        application.MainFormOnTaskBar = true;
        CreateForms(application);
        application.Minimize();
        ShowWindow(Form2->Handle(), SW_HIDE);
        application.Run();
    } catch (const Exception& e) {
        application.ShowException(e.Message());
    } catch (...) {
        application.ShowException(L"");
    }
    return 0;
}
