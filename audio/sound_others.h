// Readers for containers outside the WAVE family, behind one table so that
// the portable core links none of them. Natively the table reads FLAC, AIFF,
// Ogg Vorbis/Opus, CAF, W64 and MP3 through libsndfile
// (sound_others_sndfile.cpp); the Windows build's refuses them with a line
// that says why (sound_others_wave_only.cpp). Either lives in the library
// tenvelo_sound_others.
#pragma once

#include <cstdint>

#include "audio/sound_file.h"

struct SoundOtherOps {
    // Opens `path` into the cleared `file`: format (channels, rate, bits,
    // encoding kSampleEncodings), container kSoundOther, frames,
    // framesClaimed, speakers, kind, otherState. Returns a SoundOpenResult;
    // on a refusal `why` is set and nothing stays open.
    int (*open)(SoundFile* file, const char* path);
    // SoundFileRead for a file this table opened (NaN and infinities
    // scrubbed and counted).
    uint32_t (*read)(SoundFile* file, uint64_t at, float* out, uint32_t count);
    // Frees otherState.
    void (*close)(SoundFile* file);
};

// The table this build links.
const SoundOtherOps* SoundOtherReaders();

// For the tables: sets channelMask and speakers[] from a speaker per
// channel (0 where none is named), or the usual mask when `speakers` is null.
void SoundFileSetSpeakers(SoundFile* file, const uint32_t* speakers);

// For the tables: refuses a channel count or rate out of range with the
// "unsupported format (<what>, N bits, R Hz, C channels): <reason>" line.
// Returns kSoundOpened when both are in range, else kSoundUnsupported.
int SoundFileCheckShape(SoundFile* file, const char* what);
