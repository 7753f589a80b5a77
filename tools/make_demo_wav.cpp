// make-demo-wav [--soak] OUTPUT.wav [SECONDS]: writes the demo program
// (repeated to SECONDS, 30 by default) as a 16-bit stereo 44100 Hz WAVE
// file; --soak writes the soak program instead (each repetition at a gain of
// its own), for runs of hours.
#include "tools/demo_wave.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    demo::Program program = demo::Program::Demo;
    if (argc > 1 && std::strcmp(argv[1], "--soak") == 0) {
        program = demo::Program::Soak;
        --argc;
        ++argv;
    }
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make-demo-wav [--soak] OUTPUT.wav [SECONDS]\n");
        return 2;
    }
    double seconds = argc == 3 ? std::atof(argv[2]) : demo::kProgramSeconds;
    if (!(seconds > 0 && seconds <= demo::kMaxWaveSeconds)) {
        std::fprintf(stderr, "make-demo-wav: SECONDS must be in (0, %.0f]\n",
                     demo::kMaxWaveSeconds);
        return 2;
    }
    if (!demo::WriteDemoWave(argv[1], seconds, program)) {
        std::fprintf(stderr, "make-demo-wav: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
