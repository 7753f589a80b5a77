#include "sys/file_replace.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int FileReplace(const char* from, const char* to) {
    // A target without any write permission counts as read-only, as on
    // Windows, where replacing a read-only file fails; root is no exception.
    struct stat target;
    if (stat(to, &target) == 0 && (target.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return 0;
    // The data must be on the disk before the name points at it.
    const int fd = open(from, O_RDONLY);
    if (fd < 0) return 0;
    const int synced = fsync(fd);
    close(fd);
    if (synced != 0) return 0;
    return std::rename(from, to) == 0 ? 1 : 0;
}

int FileRemove(const char* path) {
    return std::remove(path) == 0 ? 1 : 0;
}
