#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#if defined(__linux__)
#include <sys/mount.h>
#endif
#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace testsupport {

namespace {

int ProcessId() {
#if defined(_WIN32)
    return _getpid();
#else
    return int(getpid());
#endif
}

} // namespace

ScratchDir::ScratchDir() {
    static std::atomic<int> counter{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "scratch";
    for (char& c : name)
        if (c == '/' || c == '\\') c = '_';
    fs::path base = fs::temp_directory_path() / "tenvelo-tests";
    // The process in the name: trees built side by side run the same tests at once.
    path_ = (base / (name + "-" + std::to_string(ProcessId()) + "-" + std::to_string(counter++)))
                .u8string();
    std::error_code ec;
    fs::remove_all(path_, ec);
    fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    // Read-only leftovers of permission tests must not block the removal.
    for (auto& e : fs::recursive_directory_iterator(path_, ec))
        fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string ScratchDir::file(const std::string& name) const {
    return (fs::u8path(path_) / fs::u8path(name)).u8string();
}

#if defined(__linux__)
SmallVolume::SmallVolume() {
    const std::string mountPoint = scratch_.file("volume");
    fs::create_directory(mountPoint);
    if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") == 0)
        path_ = mountPoint;
    else
        why_ = std::string("cannot mount a small tmpfs (needs root): ") + std::strerror(errno);
}

SmallVolume::~SmallVolume() {
    if (!path_.empty()) umount(path_.c_str());
}

bool SmallVolume::MakeReadOnly() {
    return !path_.empty() &&
           mount("tmpfs", path_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k") == 0;
}
#else
SmallVolume::SmallVolume() {
    const char* drive = std::getenv("TENVELO_SMALL_DRIVE");
    std::error_code ec;
    if (!drive || !*drive || !fs::is_directory(drive, ec)) {
        why_ = "no small drive (scripts/testenv maps one where it may mount a tmpfs)";
        return;
    }
    path_ = drive;
    for (auto& e : fs::directory_iterator(path_, ec))
        fs::remove_all(e.path(), ec);
}

SmallVolume::~SmallVolume() {
    std::error_code ec;
    if (!path_.empty())
        for (auto& e : fs::directory_iterator(path_, ec))
            fs::remove_all(e.path(), ec);
}

bool SmallVolume::MakeReadOnly() {
    return false;
}
#endif

std::string SmallVolume::file(const std::string& name) const {
    return (fs::path(path_) / name).string();
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(fs::u8path(path), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(fs::u8path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::u8path(path), ec);
}

void PutTag(std::vector<uint8_t>& out, const char tag[4]) {
    out.insert(out.end(), tag, tag + 4);
}

} // namespace testsupport
