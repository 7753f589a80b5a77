// The Windows build reads the WAVE family alone; other containers are
// refused with a line that says where they can be read.
#include "audio/sound_others.h"

#include <cstdio>

namespace {

int RefuseOther(SoundFile* file, const char*) {
    std::snprintf(file->why, sizeof file->why,
                  "not a WAVE file (this build reads only WAVE; FLAC, AIFF, Ogg and others need "
                  "the Linux build)");
    return kSoundNotWave;
}

uint32_t ReadNothing(SoundFile*, uint64_t, float*, uint32_t) {
    return 0;
}

void CloseNothing(SoundFile*) {}

const SoundOtherOps kWaveOnly = {
    RefuseOther,  // open
    ReadNothing,  // read
    CloseNothing, // close
};

} // namespace

const SoundOtherOps* SoundOtherReaders() {
    return &kWaveOnly;
}
