/* The peer of tenvelo-scan --loudness in bench/README.md: a minimal
 * libebur128 program measuring a WAVE file's integrated loudness, loudness
 * range and true peak. It reads 16-bit and 24-bit PCM and 32-bit float at
 * any rate and channel count (plain or extensible format chunk), in 0.1 s
 * reads, as a plain peer would. Benchmark only, never part of Tenvelo. */
#include <ebur128.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static uint32_t Le(const unsigned char* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

int main(int argc, char** argv) {
    FILE* f = argc > 1 ? fopen(argv[1], "rb") : NULL;
    unsigned char head[12], chunk[8], fmt[40];
    unsigned channels = 0, rate = 0, bits = 0, isFloat = 0;
    if (!f || fread(head, 1, 12, f) != 12 || memcmp(head, "RIFF", 4) || memcmp(head + 8, "WAVE", 4))
        return 1;
    for (;;) { /* up to the data chunk */
        if (fread(chunk, 1, 8, f) != 8) return 1;
        uint32_t size = Le(chunk + 4, 4);
        if (!memcmp(chunk, "data", 4)) break;
        if (!memcmp(chunk, "fmt ", 4) && size >= 16 && size <= sizeof fmt) {
            if (fread(fmt, 1, size, f) != size) return 1;
            unsigned tag = Le(fmt, 2);
            if (tag == 0xFFFE && size >= 26) tag = Le(fmt + 24, 2); /* the subformat's */
            channels = Le(fmt + 2, 2), rate = Le(fmt + 4, 4), bits = Le(fmt + 14, 2);
            isFloat = tag == 3;
        } else if (fseek(f, size + (size & 1), SEEK_CUR) != 0) {
            return 1;
        }
    }
    int mode = EBUR128_MODE_I | EBUR128_MODE_LRA;
    if (argc > 2) mode |= EBUR128_MODE_TRUE_PEAK; /* any second argument */
    ebur128_state* st = channels && rate ? ebur128_init(channels, rate, mode) : NULL;
    if (!st || !(bits == 16 || bits == 24 || (bits == 32 && isFloat))) return 1;
    const size_t frame = channels * (bits / 8), frames = (rate + 5) / 10;
    unsigned char* raw = malloc(frames * frame);
    int32_t* wide = malloc(frames * channels * sizeof(int32_t));
    size_t n;
    while (raw && wide && (n = fread(raw, frame, frames, f)) > 0) {
        if (bits == 16) {
            ebur128_add_frames_short(st, (const short*)raw, n);
        } else if (bits == 32) {
            ebur128_add_frames_float(st, (const float*)raw, n);
        } else {
            for (size_t i = 0; i < n * channels; ++i)
                wide[i] = (int32_t)(Le(raw + 3 * i, 3) << 8);
            ebur128_add_frames_int(st, wide, n);
        }
    }
    double integrated, range, peak;
    ebur128_loudness_global(st, &integrated);
    ebur128_loudness_range(st, &range);
    printf("I %.2f LUFS, LRA %.2f LU", integrated, range);
    if (mode & EBUR128_MODE_TRUE_PEAK)
        for (unsigned ch = 0; ch < channels; ++ch)
            if (ebur128_true_peak(st, ch, &peak) == EBUR128_SUCCESS) printf(", %.6f", peak);
    printf("\n");
    ebur128_destroy(&st);
    free(raw);
    free(wide);
    fclose(f);
    return 0;
}
