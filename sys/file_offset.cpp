#include "sys/file_offset.h"

#include <sys/types.h>

bool FileSeekTo(std::FILE* f, uint64_t offset) {
    if (offset > uint64_t(INT64_MAX)) return false;
#if defined(_WIN32)
    return _fseeki64(f, int64_t(offset), SEEK_SET) == 0;
#else
    static_assert(sizeof(off_t) >= 8, "the native build needs a 64-bit off_t");
    return fseeko(f, off_t(offset), SEEK_SET) == 0;
#endif
}

int64_t FileSize64(std::FILE* f) {
#if defined(_WIN32)
    if (_fseeki64(f, 0, SEEK_END) != 0) return -1;
    return _ftelli64(f);
#else
    if (fseeko(f, 0, SEEK_END) != 0) return -1;
    return int64_t(ftello(f));
#endif
}

size_t FileReadAt(std::FILE* f, uint64_t offset, void* out, size_t count) {
    if (!FileSeekTo(f, offset)) return 0;
    return std::fread(out, 1, count, f);
}
