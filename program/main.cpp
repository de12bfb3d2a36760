// The program's entry point. Arguments and the show command are ignored: only the tray icon
// appears, however the program was started.
#include "program/startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return RunQuillet(instance);
}
