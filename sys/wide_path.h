// The wide strings of the Windows calls that take or hand back file names,
// and the UTF-8 paths the program keeps. Windows builds only.
#pragma once

#include <string>

// The UTF-16 form of UTF-8 text. Empty when text is null or not UTF-8.
std::wstring WideFromUtf8(const char* text);

// The UTF-8 form of length UTF-16 units of text (-1: up to its NUL, which is
// not copied). Empty when text is null or holds an unpaired surrogate.
std::string Utf8FromWide(const wchar_t* text, int length = -1);

// A UTF-8 path as an absolute extended-length wide path ("\\?\C:\..." or
// "\\?\UNC\server\..."), which the wide calls take beyond MAX_PATH: the
// temporary beside a target of 255-259 characters is longer than that.
// Empty on failure.
std::wstring LongWidePath(const char* path);
