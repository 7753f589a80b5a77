// The platform calls of the main window's commands that a test must be able
// to fail or answer: the file dialogs, message boxes and the shell's "open".
// The real calls are the default; tests install a table of their own. The
// calls that hand over or take file names are the wide ones.
#pragma once

#include <windows.h>
#include <commdlg.h>

struct ShellTable {
    BOOL(WINAPI* getOpenFileName)(LPOPENFILENAMEW dialog);
    BOOL(WINAPI* getSaveFileName)(LPOPENFILENAMEW dialog);
    int(WINAPI* messageBox)(HWND owner, LPCSTR text, LPCSTR title, UINT type);
    HINSTANCE(WINAPI* shellExecute)
    (HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, INT show);
};

// Returns the table in force (the real one unless a test installed another).
const ShellTable* Shell();

// Returns the real comdlg32, user32 and shell32 table.
const ShellTable* ShellRealTable();

// Installs a table (it must outlive its use); null restores the real one.
void ShellSetTable(const ShellTable* table);
