// A user at the keyboard and mouse of another process's windows: real input
// through SendInput (the clicks land wherever the pointer is, on whatever
// window is on top there), windows found by class and title, and waits that
// give up after a time instead of hanging.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace e2e {

// Waits up to ms for pred; true when it held.
bool WaitFor(const std::function<bool()>& pred, int ms);

// A visible top-level window of process pid (0: any) whose class and title
// match (an empty string matches any). Null when there is none.
HWND FindTopWindow(DWORD pid, const std::string& cls, const std::string& title);

// The visible top-level windows of process pid, as "class 'title'" lines,
// and which one is in the foreground: for failure messages.
std::string DescribeWindows(DWORD pid);

// FindTopWindow, waiting up to ms.
HWND WaitForTopWindow(DWORD pid, const std::string& cls, const std::string& title, int ms);

// Whether the window is gone or hidden within ms.
bool WaitGone(HWND window, int ms);

// A child of parent with the control id, searched at every depth.
HWND FindChildById(HWND parent, int id);

// Clicks the middle of window; false when it has no rectangle.
bool ClickCentre(HWND window);

// Clicks the middle of parent's child window whose text is text (a button).
// False when there is none.
bool ClickChildNamed(HWND parent, const std::string& text);

// Moves the pointer to the screen point and clicks there with the left (or
// right) button, holding Ctrl when asked.
void ClickScreen(POINT at, bool right = false, bool ctrl = false);

// Presses the left button at from, moves to to in a few steps, releases.
void DragScreen(POINT from, POINT to);

// The same at a point of window's client area.
void ClickClient(HWND window, int x, int y, bool right = false, bool ctrl = false);

// Presses the virtual key down and up, with Ctrl, Shift or Alt held when asked.
void PressKey(WORD vk, bool ctrl = false, bool shift = false, bool alt = false);

// Types text as characters into whatever has the keyboard focus.
void TypeText(const std::string& text);

// Replaces the text of the focused edit field: select all, then type.
void RetypeFocusedField(const std::string& text);

} // namespace e2e
