#include "audio/winmm_table.h"

#include <atomic>

namespace {

const WinmmTable kRealTable = {
    /* outGetNumDevs */ waveOutGetNumDevs,
    /* outGetDevCaps */ waveOutGetDevCapsA,
    /* outOpen */ waveOutOpen,
    /* outPrepareHeader */ waveOutPrepareHeader,
    /* outUnprepareHeader */ waveOutUnprepareHeader,
    /* outWrite */ waveOutWrite,
    /* outPause */ waveOutPause,
    /* outRestart */ waveOutRestart,
    /* outReset */ waveOutReset,
    /* outClose */ waveOutClose,
    /* outGetErrorText */ waveOutGetErrorTextA,
    /* inGetNumDevs */ waveInGetNumDevs,
    /* inGetDevCaps */ waveInGetDevCapsA,
    /* inOpen */ waveInOpen,
    /* inPrepareHeader */ waveInPrepareHeader,
    /* inUnprepareHeader */ waveInUnprepareHeader,
    /* inAddBuffer */ waveInAddBuffer,
    /* inStart */ waveInStart,
    /* inStop */ waveInStop,
    /* inReset */ waveInReset,
    /* inClose */ waveInClose,
    /* inGetErrorText */ waveInGetErrorTextA,
    /* globalAlloc */ GlobalAlloc,
    /* createThread */ CreateThread,
    /* closeHandle */ CloseHandle,
};

std::atomic<const WinmmTable*> g_table{&kRealTable};

} // namespace

const WinmmTable* Winmm() {
    return g_table.load(std::memory_order_acquire);
}

const WinmmTable* WinmmRealTable() {
    return &kRealTable;
}

void WinmmSetTable(const WinmmTable* table) {
    g_table.store(table ? table : &kRealTable, std::memory_order_release);
}
