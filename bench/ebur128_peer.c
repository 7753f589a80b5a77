/* The peer of tenvelo-scan --loudness in bench/README.md: a minimal
 * libebur128 program measuring a 16-bit stereo WAVE file's integrated
 * loudness, loudness range and true peak. It skips the 44-byte canonical
 * header the demo generator writes. Benchmark only, never part of Tenvelo. */
#include <ebur128.h>
#include <stdio.h>

int main(int argc, char** argv) {
    static short buffer[2 * 4410];
    FILE* f = argc > 1 ? fopen(argv[1], "rb") : NULL;
    int mode = EBUR128_MODE_I | EBUR128_MODE_LRA;
    if (argc > 2) mode |= EBUR128_MODE_TRUE_PEAK; /* any second argument */
    ebur128_state* st = ebur128_init(2, 44100, mode);
    size_t n;
    double integrated, range, peak[2] = {0, 0};
    if (!f || !st || fseek(f, 44, SEEK_SET) != 0) return 1;
    while ((n = fread(buffer, 4, 4410, f)) > 0)
        ebur128_add_frames_short(st, buffer, n);
    ebur128_loudness_global(st, &integrated);
    ebur128_loudness_range(st, &range);
    if (mode & EBUR128_MODE_TRUE_PEAK)
        for (unsigned ch = 0; ch < 2; ++ch)
            ebur128_true_peak(st, ch, &peak[ch]);
    printf("I %.2f LUFS, LRA %.2f LU, true peak %.6f %.6f\n", integrated, range, peak[0], peak[1]);
    ebur128_destroy(&st);
    fclose(f);
    return 0;
}
