// make-demo-wav OUTPUT.wav [SECONDS]: writes the demo program (repeated to
// SECONDS, 30 by default) as a 16-bit stereo 44100 Hz WAVE file.
#include "tools/demo_wave.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make-demo-wav OUTPUT.wav [SECONDS]\n");
        return 2;
    }
    double seconds = argc == 3 ? std::atof(argv[2]) : demo::kProgramSeconds;
    if (!(seconds > 0 && seconds <= 3600)) {
        std::fprintf(stderr, "make-demo-wav: SECONDS must be in (0, 3600]\n");
        return 2;
    }
    if (!demo::WriteDemoWave(argv[1], seconds)) {
        std::fprintf(stderr, "make-demo-wav: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
