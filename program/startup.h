// Start-up: the single-instance guard, the application's forms, the message loop.
#pragma once

#include "framework/application.h"

#include <windows.h>

// The name of the mutex whose existence means that an instance runs in this logon.
inline constexpr wchar_t kInstanceMutexName[] = L"Quillet1.0";

// Runs the program; returns the process exit code, which is always 0. Tests pass their own
// error box.
int RunQuillet(HINSTANCE instance, TApplication::ErrorBox errorBox = {});
