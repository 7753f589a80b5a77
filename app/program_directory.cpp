#include "app/program_directory.h"

#include <cstring>

void ProgramDirectory(const char* startupDirectory, char* out, size_t size) {
    std::strncpy(out, startupDirectory, size - 1);
    out[size - 1] = '\0';
    size_t length = std::strlen(out);
    // "C:\" keeps its backslash: without it the path names the drive's
    // current directory instead of its root.
    while (length > 3 && out[length - 1] == '\\')
        out[--length] = '\0';
    char* last = std::strrchr(out, '\\');
    const char* name = last ? last + 1 : out;
    if (last && std::strchr(name, '.'))
        *(last == out + 2 && out[1] == ':' ? last + 1 : last) = '\0';
}
