// Containers outside the WAVE family, read through libsndfile (native build
// only): FLAC, AIFF/AIFC, Ogg Vorbis and Opus, CAF, W64, MP3 and whatever
// else the installed library decodes. It delivers floats at full scale 1.0
// itself (integers divided by 2^(bits-1), as our own decoders do).
#include "audio/sound_others.h"

#include <sndfile.h>

#include <cstdio>
#include <cstring>
#include <new>

namespace {

struct SndState {
    SNDFILE* sound;
    uint64_t next; // the frame sf_readf_float delivers next: sequential reads skip the seek
};

// libsndfile's channel map positions as speakers; 0 where there is none.
uint32_t SpeakerOf(int position) {
    switch (position) {
    case SF_CHANNEL_MAP_MONO: return kSpeakerFrontCenter;
    case SF_CHANNEL_MAP_LEFT: return kSpeakerFrontLeft;
    case SF_CHANNEL_MAP_RIGHT: return kSpeakerFrontRight;
    case SF_CHANNEL_MAP_CENTER: return kSpeakerFrontCenter;
    case SF_CHANNEL_MAP_FRONT_LEFT: return kSpeakerFrontLeft;
    case SF_CHANNEL_MAP_FRONT_RIGHT: return kSpeakerFrontRight;
    case SF_CHANNEL_MAP_FRONT_CENTER: return kSpeakerFrontCenter;
    case SF_CHANNEL_MAP_REAR_CENTER: return kSpeakerBackCenter;
    case SF_CHANNEL_MAP_REAR_LEFT: return kSpeakerBackLeft;
    case SF_CHANNEL_MAP_REAR_RIGHT: return kSpeakerBackRight;
    case SF_CHANNEL_MAP_LFE: return kSpeakerLowFrequency;
    case SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER: return kSpeakerFrontLeftOfCenter;
    case SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER: return kSpeakerFrontRightOfCenter;
    case SF_CHANNEL_MAP_SIDE_LEFT: return kSpeakerSideLeft;
    case SF_CHANNEL_MAP_SIDE_RIGHT: return kSpeakerSideRight;
    case SF_CHANNEL_MAP_TOP_CENTER: return kSpeakerTopCenter;
    case SF_CHANNEL_MAP_TOP_FRONT_LEFT: return kSpeakerTopFrontLeft;
    case SF_CHANNEL_MAP_TOP_FRONT_RIGHT: return kSpeakerTopFrontRight;
    case SF_CHANNEL_MAP_TOP_FRONT_CENTER: return kSpeakerTopFrontCenter;
    case SF_CHANNEL_MAP_TOP_REAR_LEFT: return kSpeakerTopBackLeft;
    case SF_CHANNEL_MAP_TOP_REAR_RIGHT: return kSpeakerTopBackRight;
    case SF_CHANNEL_MAP_TOP_REAR_CENTER: return kSpeakerTopBackCenter;
    default: return 0;
    }
}

uint16_t BitsOf(int subtype) {
    switch (subtype) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8: return 8;
    case SF_FORMAT_PCM_16: return 16;
    case SF_FORMAT_PCM_24: return 24;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT: return 32;
    case SF_FORMAT_DOUBLE: return 64;
    default: return 0; // compressed: no fixed width
    }
}

// The library's name for a major format or subtype, cut before its
// parenthesis: "FLAC", "AIFF", "OGG", "Signed 16 bit PCM", "Vorbis".
void FormatName(SNDFILE* sound, int format, char* out, size_t size) {
    SF_FORMAT_INFO info = {};
    info.format = format;
    out[0] = 0;
    if (sf_command(sound, SFC_GET_FORMAT_INFO, &info, sizeof info) != 0 || !info.name) return;
    const char* cut = std::strstr(info.name, " (");
    const size_t length = cut ? size_t(cut - info.name) : std::strlen(info.name);
    std::snprintf(out, size, "%.*s", int(length), info.name);
}

enum : uint32_t {
    FL = kSpeakerFrontLeft,
    FR = kSpeakerFrontRight,
    FC = kSpeakerFrontCenter,
    LFE = kSpeakerLowFrequency,
    BL = kSpeakerBackLeft,
    BR = kSpeakerBackRight,
    BC = kSpeakerBackCenter,
    SL = kSpeakerSideLeft,
    SR = kSpeakerSideRight,
};

// Codecs that fix their channel order by channel count carry no map, and
// their order is not the mask's: Vorbis (and Opus's mapping family 1) put
// the centre second and the LFE last.
const uint32_t kVorbisOrder[kSoundMaxChannels][kSoundMaxChannels] = {
    {FC},
    {FL, FR},
    {FL, FC, FR},
    {FL, FR, BL, BR},
    {FL, FC, FR, BL, BR},
    {FL, FC, FR, BL, BR, LFE},
    {FL, FC, FR, SL, SR, BC, LFE},
    {FL, FC, FR, SL, SR, BL, BR, LFE},
};
const uint32_t kFlacOrder[kSoundMaxChannels][kSoundMaxChannels] = {
    {FC},
    {FL, FR},
    {FL, FR, FC},
    {FL, FR, BL, BR},
    {FL, FR, FC, BL, BR},
    {FL, FR, FC, LFE, BL, BR},
    {FL, FR, FC, LFE, BC, SL, SR},
    {FL, FR, FC, LFE, BL, BR, SL, SR},
};

// The file's own map where it stores one; else its codec's order; else the usual one.
void SetSpeakers(SoundFile* file, SNDFILE* sound, int format) {
    const int channels = file->format.channels;
    int map[kSoundMaxChannels] = {};
    uint32_t speakers[kSoundMaxChannels] = {};
    const int sub = format & SF_FORMAT_SUBMASK;
    if (sf_command(sound, SFC_GET_CHANNEL_MAP_INFO, map, int(sizeof(int)) * channels) == SF_TRUE) {
        for (int c = 0; c < channels; ++c)
            speakers[c] = SpeakerOf(map[c]);
        SoundFileSetSpeakers(file, speakers);
    } else if (sub == SF_FORMAT_VORBIS || sub == SF_FORMAT_OPUS) {
        SoundFileSetSpeakers(file, kVorbisOrder[channels - 1]);
    } else if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC) {
        SoundFileSetSpeakers(file, kFlacOrder[channels - 1]);
    } else {
        SoundFileSetSpeakers(file, nullptr);
    }
}

int OpenSnd(SoundFile* file, const char* path) {
    SF_INFO info = {};
    SNDFILE* sound = sf_open(path, SFM_READ, &info);
    if (!sound) {
        std::snprintf(file->why, sizeof file->why, "not a WAVE file, nor one libsndfile reads (%s)",
                      sf_strerror(nullptr));
        return kSoundNotWave;
    }
    char major[24], subtype[32];
    FormatName(sound, info.format & SF_FORMAT_TYPEMASK, major, sizeof major);
    FormatName(sound, info.format & SF_FORMAT_SUBMASK, subtype, sizeof subtype);
    SoundFormat& f = file->format;
    f.channels = uint16_t(info.channels < 0 || info.channels > 0xFFFF ? 0xFFFF : info.channels);
    f.sampleRate = uint32_t(info.samplerate < 0 ? 0 : info.samplerate);
    f.subFormat = (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT ||
                          (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_DOUBLE
                      ? 3
                      : 1;
    f.bitsPerSample = f.validBits = BitsOf(info.format & SF_FORMAT_SUBMASK);
    f.encoding = kSampleEncodings;
    file->container = kSoundOther;
    std::snprintf(file->kind, sizeof file->kind, "%s, %s", major, subtype);
    int result = SoundFileCheckShape(file, file->kind);
    SndState* state = nullptr;
    if (result == kSoundOpened) {
        state = new (std::nothrow) SndState{sound, 0};
        if (!state) {
            std::snprintf(file->why, sizeof file->why, "out of memory");
            result = kSoundNoMemory;
        }
    }
    if (result != kSoundOpened) {
        sf_close(sound);
        return result;
    }
    file->frames = file->framesClaimed = uint64_t(info.frames > 0 ? info.frames : 0);
    SetSpeakers(file, sound, info.format);
    file->otherState = state;
    return kSoundOpened;
}

uint32_t ReadSnd(SoundFile* file, uint64_t at, float* out, uint32_t count) {
    SndState* state = static_cast<SndState*>(file->otherState);
    if (!state || at >= file->frames) return 0;
    const uint64_t left = file->frames - at;
    const uint32_t wanted = left < count ? uint32_t(left) : count;
    if (state->next != at) {
        if (sf_seek(state->sound, sf_count_t(at), SEEK_SET) < 0) return 0;
        state->next = at;
    }
    const sf_count_t got = sf_readf_float(state->sound, out, wanted);
    if (got <= 0) return 0;
    state->next = at + uint64_t(got);
    file->invalidSamples += ScrubFloats(out, size_t(got) * file->format.channels);
    return uint32_t(got);
}

void CloseSnd(SoundFile* file) {
    SndState* state = static_cast<SndState*>(file->otherState);
    if (!state) return;
    sf_close(state->sound);
    delete state;
    file->otherState = nullptr;
}

const SoundOtherOps kSndfile = {
    OpenSnd,  // open
    ReadSnd,  // read
    CloseSnd, // close
};

} // namespace

const SoundOtherOps* SoundOtherReaders() {
    return &kSndfile;
}
