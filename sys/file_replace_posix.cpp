// The native calls of a file replacement: descriptors, fsync and rename.
#include "sys/file_replace_table.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileHandle Create(const char* path, bool privately) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, privately ? 0600 : 0666);
    return fd < 0 ? kNoFile : FileHandle(fd);
}

bool Write(FileHandle file, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(int(file), bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= size_t(n);
    }
    return true;
}

bool Flush(FileHandle file) {
    return fsync(int(file)) == 0;
}

bool Close(FileHandle file) {
    return close(int(file)) == 0;
}

// The new name is an entry of the folder: it survives a crash only once
// the folder is on the disk too. That can no longer undo the rename, and
// some file systems refuse to sync a folder, so its result is not the
// replacement's.
bool Rename(const char* from, const char* to) {
    if (std::rename(from, to) != 0) return false;
    const std::string name(to);
    const size_t slash = name.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : name.substr(0, slash);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
    return true;
}

bool Remove(const char* path) {
    return unlink(path) == 0;
}

// A target without any write permission counts as read-only, as on
// Windows, where replacing a read-only file fails; root is no exception.
bool ReadOnly(const char* path) {
    struct stat target;
    return stat(path, &target) == 0 && (target.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

const FileReplaceTable kRealTable = {
    /* create */ Create,
    /* write */ Write,
    /* flush */ Flush,
    /* close */ Close,
    /* rename */ Rename,
    /* remove */ Remove,
    /* readOnly */ ReadOnly,
    /* lineEnd */ "\n",
};

} // namespace

const FileReplaceTable* FileReplaceRealTable() {
    return &kRealTable;
}
