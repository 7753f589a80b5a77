// The WAVE file reader: opens a RIFF/WAVE file, finds its format and sample
// data, and hands out frames one buffer at a time from a play position,
// filling with silence wherever a request reaches outside the data.
#pragma once

#include <cstdint>
#include <cstdio>

constexpr int kWavePathSize = 1024;

// Open results; callers treat every non-zero code alike.
enum WaveOpenResult {
    kWaveOpened = 0,    // format fields, data offset, size and length set
    kWaveNoObject = 1,  // no WaveFile given
    kWaveNoFile = 2,    // the file does not open for reading (or the path does not fit)
    kWaveNoRiff = 3,    // no RIFF chunk of form type "WAVE"
    kWaveBadFormat = 4, // no usable "fmt " chunk inside the RIFF chunk
    kWaveNoData = 5,    // no "data" chunk after the "fmt " chunk
};

// Laid out like the platform's extended wave format record (18 bytes, 2-byte
// packing) so the device layer can copy it unchanged.
#pragma pack(push, 2)
struct WaveFormat {
    uint16_t formatTag;      // as stored; plays no part in accepting a file
    uint16_t channels;       // as stored
    uint32_t sampleRate;     // frames per second, as stored
    uint32_t avgBytesPerSec; // as stored
    uint16_t blockAlign;     // bytes per frame, as stored
    uint16_t bitsPerSample;  // (blockAlign / channels) * 8; the stored value is ignored
    uint16_t extraSize;      // always 0
};
#pragma pack(pop)
static_assert(sizeof(WaveFormat) == 18, "WaveFormat must match the 18-byte wave format record");

struct WaveFile;
typedef int (*WaveReadProc)(WaveFile* file, void* buffer, uint32_t byteCount);

// One per program, zero-filled before every open. While a stream runs the
// streaming thread is its only user; everyone else acts only while stopped.
struct WaveFile {
    char path[kWavePathSize]; // the name given to WaveFileOpen (UTF-8), NUL-terminated
    FILE* handle;             // the open file (stdio buffers it); null when none is open
    WaveFormat format;        // from the "fmt " chunk
    uint32_t dataOffset;      // file offset of the first byte of the "data" contents
    uint32_t dataSize;        // the "data" chunk's size in bytes, as stored
    uint32_t dataLength;      // whole frames: dataSize / blockAlign
    int64_t position;         // next frame to read; may be negative or past the end
    WaveReadProc read;        // WaveFileRead, installed by a successful open
};

// Clears `file`, then opens `path` (UTF-8) and locates its "fmt " and "data" chunks.
// Returns a WaveOpenResult: 0 opened; 1 `file` is null; 2 `path` is null, does
// not fit the path field, or does not open as a seekable file; 3 no RIFF/WAVE
// chunk; 4 no "fmt " chunk inside it, a short read of it, or a format with 0
// channels, 0 block align or more than 65535 bits per sample; 5 no "data" chunk
// after "fmt " (or one starting beyond 4 GiB). On failure the file is closed.
// The record is cleared without closing: close a file still open first.
int WaveFileOpen(WaveFile* file, const char* path);

// Fills byteCount / blockAlign whole frames of `buffer` from the play position
// (silence before and after the data, and where the file holds less than the
// data chunk claims) and advances the position by that many frames. Bytes past
// the whole frames are left untouched; with no open file or less than one frame
// asked for, nothing is touched. Always returns 0.
int WaveFileRead(WaveFile* file, void* buffer, uint32_t byteCount);

// Sets the play position to frame `frame` (negative: before the data).
// Does nothing when `file` is null.
void WaveFileSetPosition(WaveFile* file, int64_t frame);

// Sets the play position to milliseconds * sampleRate / 1000 frames, truncated
// toward zero and clamped to the int64_t range. Does nothing when `file` is null.
void WaveFileSeek(WaveFile* file, int64_t milliseconds);

// Closes the file if one is open and nulls the handle; other fields keep their
// values. Does nothing when no file is open.
void WaveFileClose(WaveFile* file);

// The file selection's format check: 44100 Hz, 16 bits per sample as derived
// from block align and channels, 2 channels, and a block align of exactly 4. Returns 1 when the
// opened file is accepted, 0 when it is refused (or `file` is null or holds no open file).
int WaveFileFormatAccepted(const WaveFile* file);

// The byte that fills silence: 0x80 for 8-bit samples, 0x00 otherwise.
uint8_t WaveFileSilenceByte(const WaveFile* file);
