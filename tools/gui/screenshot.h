// Screenshots for people to look at, taken by the screenshot tests when
// TENVELO_SCREENSHOT_DIR names a folder (tools/screenshots runs them inside
// a Wine virtual desktop, which draws frames and captions, and converts the
// BMP files to PNG).
#pragma once

#include <windows.h>

#include <string>

namespace shots {

// The folder named by TENVELO_SCREENSHOT_DIR, or "" when none is.
std::string Folder();

// Writes the screen rectangle as a 24-bit BMP file `name` in Folder().
// Returns true when the file was written.
bool SaveScreen(const RECT& rect, const std::string& name);

// Repaints the window (frame and children too), lets it settle, and saves
// its rectangle, grown by margin on every side.
bool SaveWindow(HWND window, const std::string& name, int margin = 0);

} // namespace shots
