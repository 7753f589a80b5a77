// The scan's sound file reader. The WAVE family (integer PCM of 8 to 32
// bits, IEEE float, extensible, RF64 and BW64 beyond 4 GiB) is read here, in
// both builds alike; other containers go to a table of operations the caller
// hands in (libsndfile natively, see audio/sound_others.h). Frames are read
// by position and decoded to interleaved float32 at full scale 1.0, so a
// read-ahead thread with an open of its own can read blocks in any order.
//
// The program's own player keeps audio/wave_file.h; this reader never
// decides what the program plays.
//
// Threads: a SoundFile belongs to one thread at a time; two threads reading
// the same file open it twice.
#pragma once

#include <cstdint>
#include <cstdio>

#include "audio/sample_decode.h"

constexpr uint32_t kSoundMinRate = 8000;
constexpr uint32_t kSoundMaxRate = 384000;
constexpr int kSoundMaxChannels = 8;
constexpr int kSoundWhySize = 192;
constexpr int kSoundKindSize = 64;
constexpr uint32_t kSoundRawBytes = 65536; // the raw read buffer, allocated at open

// Open results. After any refusal `why` holds one line saying what was found.
enum SoundOpenResult {
    kSoundOpened = 0,      // format, sizes, frames and channels set
    kSoundNoObject = 1,    // no SoundFile given
    kSoundNoFile = 2,      // no path, or the file does not open for reading or cannot be sought
    kSoundNotWave = 3,     // no RIFF/RF64/BW64 chunk of form "WAVE", and no other reader took it
    kSoundBadFormat = 4,   // no usable "fmt " chunk, or RF64/BW64 without a usable "ds64"
    kSoundNoData = 5,      // no "data" chunk inside the RIFF chunk
    kSoundUnsupported = 6, // a format that is not decoded: `why` names tag, bits, rate, channels
    kSoundNoMemory = 7,    // the read buffer could not be allocated
};

enum SoundContainer {
    kSoundRiff = 0,  // RIFF/WAVE, 32-bit sizes
    kSoundRf64 = 1,  // RF64/WAVE, sizes in the "ds64" chunk
    kSoundBw64 = 2,  // BW64/WAVE, the same layout as RF64
    kSoundOther = 3, // opened by the other containers' reader
};

// Speaker positions as the extensible header's channel mask names them.
enum SoundSpeaker : uint32_t {
    kSpeakerFrontLeft = 0x1,
    kSpeakerFrontRight = 0x2,
    kSpeakerFrontCenter = 0x4,
    kSpeakerLowFrequency = 0x8,
    kSpeakerBackLeft = 0x10,
    kSpeakerBackRight = 0x20,
    kSpeakerFrontLeftOfCenter = 0x40,
    kSpeakerFrontRightOfCenter = 0x80,
    kSpeakerBackCenter = 0x100,
    kSpeakerSideLeft = 0x200,
    kSpeakerSideRight = 0x400,
    kSpeakerTopCenter = 0x800,
    kSpeakerTopFrontLeft = 0x1000,
    kSpeakerTopFrontCenter = 0x2000,
    kSpeakerTopFrontRight = 0x4000,
    kSpeakerTopBackLeft = 0x8000,
    kSpeakerTopBackCenter = 0x10000,
    kSpeakerTopBackRight = 0x20000,
};

// What a channel is for, as a meter weighs it.
enum SoundChannelRole {
    kRoleFront = 0,    // front left, right, centre and those between them
    kRoleLfe = 1,      // low-frequency effects
    kRoleSurround = 2, // back and side speakers
    kRoleHeight = 3,   // top speakers
    kRoleUnnamed = 4,  // a channel the file names no speaker for (or no such channel)
};

struct SoundFormat {
    uint16_t formatTag;     // as stored (0xFFFE extensible); 0 for other containers
    uint16_t subFormat;     // 1 integer PCM or 3 IEEE float: the tag, or the extensible sub-format
    uint16_t channels;      // 1..8
    uint32_t sampleRate;    // frames per second, 8000..384000
    uint16_t blockAlign;    // bytes per frame: channels x the container's bytes (0: other)
    uint16_t bitsPerSample; // the container's bits as stored (other: the codec's, 0 if none)
    uint16_t validBits;     // extensible's valid bits (0 there means all), else bitsPerSample
    uint8_t encoding;       // SampleEncoding; kSampleEncodings for other containers
};

struct SoundOtherOps;

// Zero-filled by every open. Fields after `format` are set by the open and
// fixed until the close, except invalidSamples, which reads add to.
struct SoundFile {
    std::FILE* handle;       // the WAVE family's open file (unbuffered); null otherwise
    SoundFormat format;      // from the "fmt " chunk or the other reader
    uint8_t container;       // SoundContainer
    uint64_t riffSize;       // the RIFF/RF64 chunk's size: as stored, or from "ds64"
    uint64_t dataOffset;     // file offset of the first sample byte
    uint64_t dataSize;       // the data chunk's size in bytes: as stored, or from "ds64"
    uint64_t ds64Samples;    // the "ds64" sample count (RF64/BW64), else 0; informative only
    uint64_t framesClaimed;  // whole frames the data chunk claims: dataSize / blockAlign
    uint64_t frames;         // whole frames the file holds, at most framesClaimed; reads stop here
    bool truncated;          // frames < framesClaimed: the file ends inside its data
    uint64_t invalidSamples; // NaN and infinite samples read so far, each delivered as 0.0
    uint32_t channelMask;    // OR of speakers[]
    uint32_t speakers[kSoundMaxChannels]; // each channel's SoundSpeaker bit; 0 = none named
    uint8_t* raw;                         // kSoundRawBytes for the raw bytes of a read
    uint32_t rawFrames;                   // whole frames `raw` holds
    const SoundOtherOps* other;           // the reader that opened another container, or null
    void* otherState;                     // that reader's own state
    char kind[kSoundKindSize];            // what was opened: "WAVE 24-bit PCM", "FLAC 16-bit"...
    char why[kSoundWhySize];              // after a refused open: one line saying why
};

// Clears `file`, then opens `path` (UTF-8). A file that starts with a RIFF,
// RF64 or BW64 chunk is read here; any other goes to `others` when given
// (null: refused as "not a WAVE file"). Returns a SoundOpenResult; on any
// refusal the file is closed, nothing stays allocated and `why` says what
// was found, e.g. "unsupported format (tag 0x0002, 4 bits, 8000 Hz, 1
// channel)". The record is cleared without closing: close an open one first.
int SoundFileOpen(SoundFile* file, const char* path, const SoundOtherOps* others);

// Decodes frames [at, at + count) into `out` (count x channels floats),
// interleaved. Returns the frames delivered: fewer than asked at the end of
// the file's frames (never any padding), 0 from `at` >= frames, with no
// open file or a null `out`, and fewer when a read fails midway. Allocates
// nothing. Adds the NaN and infinite samples it replaced to invalidSamples.
uint32_t SoundFileRead(SoundFile* file, uint64_t at, float* out, uint32_t count);

// Closes the file and frees what the open allocated; the description fields
// keep their values. Safe on a closed or refused file; does nothing when
// `file` is null.
void SoundFileClose(SoundFile* file);

// The channel that carries `speaker`, or -1 when none does.
int SoundFileChannelOf(const SoundFile* file, uint32_t speaker);

// What channel `channel` is for; kRoleUnnamed outside 0..channels-1.
SoundChannelRole SoundFileChannelRole(const SoundFile* file, int channel);

// The speakers a file with no channel mask is taken to have: front centre
// for one channel; for more, the first `channels` positions in the mask's
// order (L R C LFE BL BR FLC FRC). 0 outside 1..8.
uint32_t SoundUsualMask(int channels);
