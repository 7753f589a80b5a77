// What the programs that drive the input measuring share: the Loudness
// window's class and the null sink's monitor among the Input menu's items.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <string>

namespace e2e {

// The program's class name (the e2e programs do not link the program).
inline const char kLoudnessClass[] = "Loudness_0001\xA9"
                                     "Ktavin";

// The position of the monitor among the Input menu's devices (the mapper
// first, then the devices as winmm lists them), counted from 1; 0 when there
// is none. names, when given, collects every device's name.
inline int MonitorItem(std::string* names = nullptr) {
    const UINT count = waveInGetNumDevs();
    for (UINT i = 0; i < count; ++i) {
        WAVEINCAPSA caps = {};
        if (waveInGetDevCapsA(i, &caps, sizeof caps) != MMSYSERR_NOERROR) continue;
        const std::string name = caps.szPname;
        if (names) *names += name + "; ";
        if (name.find("onitor") != std::string::npos || name.find("null") != std::string::npos)
            return int(i) + 2;
    }
    return 0;
}

}  // namespace e2e
