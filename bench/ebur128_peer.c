/* The peer of tenvelo-scan --loudness in bench/README.md: a minimal
 * libebur128 program measuring a sound file's integrated loudness, loudness
 * range and true peak, reading through libsndfile in 0.1 s reads as a plain
 * peer would (16-bit files as shorts, other integer files as ints, float as
 * float). Benchmark only, never part of Tenvelo. */
#include <ebur128.h>
#include <sndfile.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    SF_INFO info = {0};
    SNDFILE* f = argc > 1 ? sf_open(argv[1], SFM_READ, &info) : NULL;
    if (!f) return 1;
    int mode = EBUR128_MODE_I | EBUR128_MODE_LRA;
    if (argc > 2) mode |= EBUR128_MODE_TRUE_PEAK; /* any second argument */
    ebur128_state* st = ebur128_init((unsigned)info.channels, (unsigned long)info.samplerate, mode);
    const int sub = info.format & SF_FORMAT_SUBMASK;
    const int asShort = sub == SF_FORMAT_PCM_16;
    const int asInt = sub == SF_FORMAT_PCM_24 || sub == SF_FORMAT_PCM_32;
    const sf_count_t frames = (info.samplerate + 5) / 10;
    void* buffer = malloc((size_t)(frames * info.channels) * sizeof(int));
    sf_count_t n;
    while (st && buffer) {
        if (asShort) {
            if ((n = sf_readf_short(f, buffer, frames)) <= 0) break;
            ebur128_add_frames_short(st, buffer, (size_t)n);
        } else if (asInt) {
            if ((n = sf_readf_int(f, buffer, frames)) <= 0) break;
            ebur128_add_frames_int(st, buffer, (size_t)n);
        } else {
            if ((n = sf_readf_float(f, buffer, frames)) <= 0) break;
            ebur128_add_frames_float(st, buffer, (size_t)n);
        }
    }
    if (!st || !buffer) return 1;
    double integrated, range, peak;
    ebur128_loudness_global(st, &integrated);
    ebur128_loudness_range(st, &range);
    printf("I %.2f LUFS, LRA %.2f LU", integrated, range);
    if (mode & EBUR128_MODE_TRUE_PEAK)
        for (int ch = 0; ch < info.channels; ++ch)
            if (ebur128_true_peak(st, (unsigned)ch, &peak) == EBUR128_SUCCESS) printf(", %.6f", peak);
    printf("\n");
    ebur128_destroy(&st);
    free(buffer);
    sf_close(f);
    return 0;
}
