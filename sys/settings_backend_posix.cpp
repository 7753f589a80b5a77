// The native settings store: a folder per key below the root, a file per
// value. A value file is an 8-byte head ("TVST" and the kind as a
// little-endian 32-bit number) followed by the value's bytes. Names are
// kept readable: letters, digits, space, '_' and '-' stay, every other byte
// becomes %XX. Value files end in ".val"; since '.' is always escaped, a
// value can never collide with a key folder of the same name.
#include "sys/settings_backend.h"
#include "sys/file_replace.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr char kMagic[4] = {'T', 'V', 'S', 'T'};
constexpr size_t kHeadSize = 8;

char gTestRoot[4096]; // empty: the user's own root

bool RootPath(std::string* out) {
    if (gTestRoot[0]) {
        *out = gTestRoot;
        return true;
    }
    const char* config = getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') {
        *out = std::string(config) + "/tenvelo";
        return true;
    }
    const char* home = getenv("HOME");
    if (!home || !home[0]) return false;
    *out = std::string(home) + "/.config/tenvelo";
    return true;
}

void AppendEncoded(std::string* out, const char* begin, const char* end) {
    static const char hex[] = "0123456789ABCDEF";
    for (const char* p = begin; p < end; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == ' ' || c == '_' || c == '-';
        if (plain) {
            out->push_back(char(c));
        } else {
            out->push_back('%');
            out->push_back(hex[c >> 4]);
            out->push_back(hex[c & 15]);
        }
    }
}

// The folder of key below the root. Fails on an empty key or an empty
// component ("a\\\\b", a leading or trailing backslash).
bool KeyFolder(const char* key, std::string* out) {
    if (!RootPath(out)) return false;
    const char* p = key;
    do {
        const char* end = strchr(p, '\\');
        if (!end) end = p + strlen(p);
        if (end == p) return false;
        out->push_back('/');
        AppendEncoded(out, p, end);
        p = *end ? end + 1 : end;
        if (*end && !*p) return false;
    } while (*p);
    return true;
}

std::string ValueFile(const std::string& folder, const char* name, const char* suffix) {
    std::string path = folder + "/";
    AppendEncoded(&path, name, name + strlen(name));
    return path + suffix;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Creates path and every missing parent.
bool MakeFolders(const std::string& path) {
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/') continue;
        const std::string part = path.substr(0, i);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return IsFolder(path);
}

// Reads until size bytes have come; an interruption retries, an error or
// the end of the file fails.
bool ReadFully(int fd, uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = read(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

} // namespace

int SettingsBackendWrite(const char* key, const char* name, uint32_t kind, const void* data,
                         uint32_t size) {
    std::string folder;
    if (!KeyFolder(key, &folder) || !MakeFolders(folder)) return 0;
    std::vector<uint8_t> bytes(kHeadSize + size);
    memcpy(bytes.data(), kMagic, 4);
    for (int i = 0; i < 4; ++i)
        bytes[4 + i] = uint8_t(kind >> (8 * i));
    if (size) memcpy(bytes.data() + kHeadSize, data, size);
    // Replaced whole, so that a crash leaves either the old value or the new one.
    return FileReplace(ValueFile(folder, name, ".val").c_str(), kFileReplacePrivate,
                       [&](FileSink* f) { return FileSinkWrite(f, bytes.data(), bytes.size()); });
}

int SettingsBackendRead(const char* key, const char* name, uint32_t kind, void* dest,
                        uint32_t minSize, uint32_t maxSize, uint32_t* size) {
    std::string folder;
    if (!KeyFolder(key, &folder)) return 0;
    const std::string path = ValueFile(folder, name, ".val");
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    int result = 0;
    struct stat st;
    uint8_t head[kHeadSize];
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && uint64_t(st.st_size) >= kHeadSize &&
        ReadFully(fd, head, kHeadSize) && memcmp(head, kMagic, 4) == 0) {
        const uint32_t stored = uint32_t(head[4]) | uint32_t(head[5]) << 8 |
                                uint32_t(head[6]) << 16 | uint32_t(head[7]) << 24;
        const uint64_t length = uint64_t(st.st_size) - kHeadSize;
        if (stored == kind && length >= minSize && length <= maxSize) {
            // Read aside first so that a short read leaves dest untouched.
            std::vector<uint8_t> bytes(length);
            if (ReadFully(fd, bytes.data(), bytes.size())) {
                if (length) memcpy(dest, bytes.data(), length);
                *size = uint32_t(length);
                result = 1;
            }
        }
    }
    close(fd);
    return result;
}

int SettingsBackendSetRoot(const char* root) {
    if (!root) root = "";
    if (strlen(root) >= sizeof gTestRoot) return 0;
    strcpy(gTestRoot, root);
    return 1;
}

int SettingsBackendRootIsEmpty() {
    std::string root;
    if (!RootPath(&root)) return 1;
    DIR* dir = opendir(root.c_str());
    if (!dir) return 1;
    int empty = 1;
    while (const dirent* entry = readdir(dir)) {
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) {
            empty = 0;
            break;
        }
    }
    closedir(dir);
    return empty;
}

int SettingsBackendDeleteTestRoot() {
    if (!gTestRoot[0]) return 0;
    std::error_code ec;
    std::filesystem::remove_all(gTestRoot, ec);
    return ec ? 0 : 1;
}
