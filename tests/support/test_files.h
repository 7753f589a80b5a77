// Helpers for tests that work with files: a scratch folder per test and
// whole-file reads and writes. Paths are UTF-8, as the program's are.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sys/byte_order.h"

namespace testsupport {

// A fresh empty folder for the running test, removed again when the object dies.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    // path() joined with name by the platform's separator.
    std::string file(const std::string& name) const;

  private:
    std::string path_;
};

// A volume of 64 KiB, for saves that fill a disk. Natively a tmpfs this
// object mounts on a scratch folder (only root may); on Windows the drive
// the test environment maps onto one (TENVELO_SMALL_DRIVE), emptied here.
// path() is empty when there is none, and why() says why.
class SmallVolume {
  public:
    SmallVolume();
    ~SmallVolume();
    SmallVolume(const SmallVolume&) = delete;
    SmallVolume& operator=(const SmallVolume&) = delete;

    const std::string& path() const { return path_; }
    const std::string& why() const { return why_; }
    std::string file(const std::string& name) const;
    // Makes the volume read-only, keeping its files: a folder nobody may
    // write to, even root. False where that cannot be done (Windows).
    bool MakeReadOnly();

  private:
    ScratchDir scratch_;
    std::string path_;
    std::string why_;
};

std::vector<uint8_t> ReadAll(const std::string& path);
bool WriteAll(const std::string& path, const std::vector<uint8_t>& bytes);
bool FileExists(const std::string& path);

// Little-endian writers for building binary test files.
inline void PutU16(std::vector<uint8_t>& out, uint32_t v) { AppendLe(out, v, 2); }
inline void PutU32(std::vector<uint8_t>& out, uint32_t v) { AppendLe(out, v, 4); }
void PutTag(std::vector<uint8_t>& out, const char tag[4]);

} // namespace testsupport
