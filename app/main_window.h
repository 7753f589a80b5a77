// The main window "w_principale". For now an empty frame; the control panel,
// menu and status panel join it as they are built.
#pragma once

#include <windows.h>

extern const char kMainWindowClass[];

// Registers the main window class. Returns 1 on success, 0 on failure.
int RegisterMainWindowClass(HINSTANCE instance);

// Creates the (hidden) main window. Returns 0 on failure.
HWND CreateMainWindow(HINSTANCE instance);
