// Helpers for tests that work with files: a scratch folder per test and
// whole-file reads and writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

std::vector<uint8_t> ReadAll(const std::string& path);
bool WriteAll(const std::string& path, const std::vector<uint8_t>& bytes);
bool FileExists(const std::string& path);

// Little-endian writers for building binary test files.
void PutU16(std::vector<uint8_t>& out, uint32_t v);
void PutU32(std::vector<uint8_t>& out, uint32_t v);
void PutTag(std::vector<uint8_t>& out, const char tag[4]);

} // namespace testsupport
