// Feeds arbitrary bytes to the WAVE reader as a file: open, reads from both
// sides of the data and across its ends, seeks, close.
#include "audio/wave_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

const std::string& ScratchPath() {
    static const std::string path = "/tmp/fuzz_wave_file." + std::to_string(getpid()) + ".wav";
    static const bool removedAtExit = atexit([] { unlink(ScratchPath().c_str()); }) == 0;
    (void)removedAtExit;
    return path;
}

bool WriteInput(const uint8_t* data, size_t size) {
    FILE* f = fopen(ScratchPath().c_str(), "wb");
    if (!f) return false;
    const bool ok = fwrite(data, 1, size, f) == size;
    return fclose(f) == 0 && ok;
}

// A read of byteCount into a guarded buffer: the guard bytes must survive.
void ReadChecked(WaveFile* file, uint32_t byteCount) {
    static uint8_t buffer[17632 + 64];
    const uint32_t guard = 64;
    memset(buffer, 0xAA, sizeof buffer);
    if (byteCount > sizeof buffer - guard) byteCount = sizeof buffer - guard;
    const int64_t before = file->position;
    WaveFileRead(file, buffer, byteCount);
    const uint32_t align = file->format.blockAlign;
    for (uint32_t i = byteCount; i < sizeof buffer; ++i)
        if (buffer[i] != 0xAA) abort();
    if (file->handle && align && byteCount >= align && before < INT64_MAX - 17632 &&
        file->position != before + byteCount / align)
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!WriteInput(data, size)) return 0;
    static WaveFile file; // one per program, as in the product
    if (WaveFileOpen(&file, ScratchPath().c_str()) != 0) {
        if (file.handle) abort(); // a failed open leaves nothing open
        return 0;
    }
    WaveFileFormatAccepted(&file);
    // Let the input's last bytes steer some of the requests.
    const uint32_t odd = size >= 2 ? uint32_t(data[size - 1]) | uint32_t(data[size - 2]) << 8 : 7;
    ReadChecked(&file, 17632);
    ReadChecked(&file, odd);
    file.position = int64_t(file.dataLength) - 3;
    ReadChecked(&file, 17632);
    WaveFileSeek(&file, -250);
    ReadChecked(&file, 17632);
    WaveFileSeek(&file, int64_t(odd) * 997);
    ReadChecked(&file, 4096);
    WaveFileSeek(&file, INT64_MAX);
    ReadChecked(&file, 17632);
    WaveFileSeek(&file, INT64_MIN);
    ReadChecked(&file, 17632);
    WaveFileSeek(&file, 0);
    ReadChecked(&file, 17632);
    WaveFileClose(&file);
    if (file.handle) abort();
    return 0;
}
