// UTF-8 paths natively: the bytes are the name.
#include "sys/file_path.h"

std::FILE* FileOpen(const char* path, const char* mode) {
    if (!path || !mode) return nullptr;
    return std::fopen(path, mode);
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}
