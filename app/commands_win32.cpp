#include "app/commands.h"

#include <cstdio>

#include "app/file_commands.h"
#include "app/input_commands.h"
#include "app/main_window.h"
#include "app/program_directory.h"
#include "app/shell_table.h"
#include "sys/version.h"
#include "sys/wide_path.h"

const char kAboutTitle[] = "About...";
const char kAboutText[] = "Tenvelo: an audio level meter with a level history recorder.";
const char kInfoDocument[] = "readme.txt";

namespace {

const char kWebPage[] = "https://tenvelo.example.org/";
const char kMailTo[] = "mailto:tenvelo@example.org";

struct HotKey {
    UINT key;
    uint16_t id;
};

// Registration order F1, F2, F4, F5, F6, F7; ids are the commands the keys run.
const HotKey kHotKeys[] = {
    {VK_F1, kCommandPlay},       {VK_F2, kCommandStop},         {VK_F4, kCommandZero},
    {VK_F5, kCommandSelectWave}, {VK_F6, kCommandMeasureInput}, {VK_F7, kCommandStopInput},
};

void About(Program* p) {
    char text[256];
    std::snprintf(text, sizeof text, "%s\nVersion %s", kAboutText, kProductVersion);
    Shell()->messageBox(p->mainWindow, text, kAboutTitle, MB_OK);
}

void OpenDocument(Program* p, const char* document, const char* directory) {
    // A failure (no readme.txt, no browser or mail program) is not reported.
    const std::wstring folder = WideFromUtf8(directory);
    Shell()->shellExecute(p->mainWindow, L"open", WideFromUtf8(document).c_str(), nullptr,
                          directory ? folder.c_str() : nullptr, SW_SHOWNORMAL);
}

void Info(Program* p) {
    char directory[kStartupDirectorySize];
    ProgramDirectory(StartupDirectory(), directory, sizeof directory);
    OpenDocument(p, kInfoDocument, directory);
}

// Playing while measuring first stops measuring.
void Play(Program* p) {
    if (PlayWouldStart(p)) StopInput(&p->input);
    StartStream(&p->stream);
}

// Stop and Zero end what runs: playing (back to the file's start) or measuring.
void Stop(Program* p) {
    StopInput(&p->input);
    StreamStopAction(&p->stream);
}

// The latency sizes the input's buffers too, and is refused while
// measuring as while playing.
void ChooseLatency(Program* p, uint16_t id) {
    if (InputIsMeasuring(&p->input)) {
        Shell()->messageBox(p->mainWindow, kChangeLatencyText, kChangeLatencyTitle, MB_OK);
        return;
    }
    if (StreamChooseLatency(&p->stream, p->mainWindow, id) && p->input.driverReady)
        InputApplyLatency(&p->input, p->stream.latency);
}

} // namespace

void DispatchCommand(Program* p, uint16_t id) {
    switch (id) {
    case kCommandPlay: Play(p); break;
    case kCommandMeasureInput: MeasureInputCommand(p); break;
    case kCommandStopInput: StopInputCommand(p); break;
    case kCommandStop:
    case kCommandZero: Stop(p); break;
    case kCommandSelectWave: SelectWaveFile(p); break;
    case kCommandQuit: CloseAllWindows(p->mainWindow); break;
    case kCommandAbout: About(p); break;
    case kCommandInfo: Info(p); break;
    case kCommandWebPage: OpenDocument(p, kWebPage, nullptr); break;
    case kCommandMail: OpenDocument(p, kMailTo, nullptr); break;
    default:
        if (id >= kCommandLatency200 && id <= kCommandLatency20) ChooseLatency(p, id);
        if (id >= kCommandInputDeviceFirst && id <= kCommandInputDeviceLast)
            ChooseInputCommand(p, id);
        break;
    }
}

void RegisterHotKeys(Program* p) {
    if (p->hotKeysRegistered) return;
    for (const HotKey& key : kHotKeys)
        RegisterHotKey(p->mainWindow, key.id, 0, key.key);
    p->hotKeysRegistered = 1;
}

void UnregisterHotKeys(Program* p) {
    if (!p->hotKeysRegistered) return;
    for (const HotKey& key : kHotKeys)
        UnregisterHotKey(p->mainWindow, key.id);
    p->hotKeysRegistered = 0;
}

HMENU CreateInfoMenu() {
    HMENU menu = CreatePopupMenu();
    if (!menu) return nullptr;
    AppendMenuA(menu, MF_STRING, kCommandInfo, "info...");
    AppendMenuA(menu, MF_STRING, kCommandWebPage, "See PX's Web Pages...");
    AppendMenuA(menu, MF_STRING, kCommandMail, "E-mail me...");
    return menu;
}
