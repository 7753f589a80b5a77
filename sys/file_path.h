// Files named by UTF-8 paths. The program keeps every path as UTF-8 text;
// on Windows a path is widened only where a file is opened, so that names
// outside the ANSI code page open too. Natively the bytes are the name.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// fopen for a UTF-8 path (mode as fopen takes it). Returns null when the
// file does not open, also for a path that is not UTF-8 on Windows.
std::FILE* FileOpen(const char* path, const char* mode);

// The program's arguments as UTF-8, argv[0] first. On Windows they are read
// again from the wide command line (argv holds them in the ANSI code page,
// with '?' for what it cannot hold); elsewhere they are argv's own bytes.
std::vector<std::string> CommandLineArguments(int argc, char** argv);
