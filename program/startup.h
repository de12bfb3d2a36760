// Start-up: the single-instance guard, the application's forms, the message loop.
#pragma once

#include "framework/application.h"

#include <windows.h>

// The name of the mutex whose existence means that an instance runs in this logon.
inline constexpr wchar_t kInstanceMutexName[] = L"Quillet1.0";

// Creates the program's forms in their order, each hidden: the tray host first (it becomes the
// main form and puts the icon in the notification area), then the Add task and Edit task
// dialogs and the About box.
void CreateForms(TApplication& application);

// Runs the program; returns the process exit code, which is always 0. Tests pass their own
// error box.
int RunQuillet(HINSTANCE instance, TApplication::ErrorBox errorBox = {});
