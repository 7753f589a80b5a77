#include "app/file_drop.h"

#include <cstring>
#include <string>

#include "app/file_commands.h"
#include "app/main_window.h"
#include "history/history_file.h"
#include "sys/wide_path.h"

namespace {

// The first dropped file of each kind (UTF-8); empty when none came.
struct DroppedFiles {
    char wave[kWavePathSize];
    char history[kWavePathSize];
};

// Reads up to size bytes from the start of the file. Returns the count
// read; 0 for a folder (CreateFileW opens none without backup semantics)
// or a file that does not open.
DWORD ReadFileStart(const char* path, unsigned char* bytes, DWORD size) {
    const std::wstring wide = LongWidePath(path);
    if (wide.empty()) return 0;
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD read = 0;
    if (!ReadFile(file, bytes, size, &read, nullptr)) read = 0;
    CloseHandle(file);
    return read;
}

enum DroppedFileKind { kDroppedOther, kDroppedWave, kDroppedHistory };

// A WAVE file starts "RIFF", size, "WAVE"; a history file with its
// signature. Folders and files that do not open are neither.
DroppedFileKind KindOfDroppedFile(const char* path) {
    unsigned char head[16] = {};
    const DWORD read = ReadFileStart(path, head, sizeof head);
    if (read >= 12 && !std::memcmp(head, "RIFF", 4) && !std::memcmp(head + 8, "WAVE", 4))
        return kDroppedWave;
    if (read == sizeof head && !std::memcmp(head, kHistoryFileSignature, sizeof head))
        return kDroppedHistory;
    return kDroppedOther;
}

// The i-th dropped name in UTF-8; empty when it cannot be converted.
std::string DroppedName(HDROP drop, UINT i) {
    std::wstring wide(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    const UINT length = DragQueryFileW(drop, i, &wide[0], UINT(wide.size()));
    return Utf8FromWide(wide.c_str(), int(length));
}

// Keeps each kind's first file. A name too long for the buffers is passed
// over like any other file that cannot be taken.
DroppedFiles SortDrop(HDROP drop) {
    DroppedFiles files = {};
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const std::string name = DroppedName(drop, i);
        if (name.empty() || name.size() >= sizeof files.wave) continue;
        const char* path = name.c_str();
        char* slot = nullptr;
        switch (KindOfDroppedFile(path)) {
        case kDroppedWave: slot = files.wave; break;
        case kDroppedHistory: slot = files.history; break;
        case kDroppedOther: break;
        }
        if (slot && !slot[0]) std::memcpy(slot, path, std::strlen(path) + 1);
    }
    return files;
}

} // namespace

void TakeDroppedFiles(Program* p, HDROP drop) {
    // The files are sorted and the drop freed before any message box: its
    // modal loop may deliver the next drop.
    const DroppedFiles files = SortDrop(drop);
    DragFinish(drop);
    if (p->takingDrop) return;
    p->takingDrop = 1;
    if (files.wave[0]) SelectWaveFile(p, files.wave);
    if (files.history[0]) LoadHistoryPath(&p->panel, files.history);
    p->takingDrop = 0;
}
