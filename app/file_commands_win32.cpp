#include "app/file_commands.h"

#include <cstdio>
#include <cstring>

#include "app/engine_history.h"
#include "app/main_window.h"
#include "app/shell_table.h"
#include "meter/meter_engine.h"
#include "sys/settings_store.h"
#include "view/control_panel.h"
#include "view/meter_window.h"

const char kWaveDialogTitle[] = "Load a wave file";
const char kSorryFormatText[] =
    "This Sound Format is not available !!!\n You may select a 16bits stereo 44100Hz Sound";
const char kSorryFormatTitle[] = "Sorry...";
const char kRecordingWarningText[] =
    "Cannot Load level history during record. Switch the history record OFF !";
const char kRecordingWarningTitle[] = "Warning !";
const char kLoadFailedText[] = "Failed to Load history, file may be corrupted...";
const char kSaveFailedText[] = "Failed to Save history, may be the history is empty,\nor check "
                               "your disk space and try again...";
const char kDiskErrorTitle[] = "Disk Error";
const char kSampleRateWarningFormat[] = "This Level History has been recorded with a different "
                                        "samplerate (%iHz)\nThe Time Line will be wrong !";
const char kSampleRateWarningTitle[] = "Warning";

namespace {

const char kWaveFilter[] = "File WAVE (*.wav)\0*.wav\0All (*.*)\0*.*\0";
const char kHistoryFilter[] = "History (*.his)\0*.his\0All (*.*)\0*.*\0";
const char kHistoryExtension[] = ".his";
constexpr int kDialogPathSize = MAX_PATH; // 260
constexpr int kOpenMode = 1;

// The record of a file dialog that writes the chosen name into path
// (kDialogPathSize bytes), with the first filter selected.
OPENFILENAMEA FileDialog(HWND owner, const char* filter, char* path, const char* title,
                         DWORD flags) {
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = kDialogPathSize;
    dialog.lpstrTitle = title;
    dialog.Flags = flags | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER;
    return dialog;
}

// ---- Select Wav File ----

int AskForWaveFile(HWND owner, char* path) {
    std::strcpy(path, "*.wav");
    OPENFILENAMEA dialog =
        FileDialog(owner, kWaveFilter, path, kWaveDialogTitle, OFN_FILEMUSTEXIST);
    return Shell()->getOpenFileName(&dialog) ? 1 : 0;
}

// Opens path and checks its format. Returns 1 when the file is open and
// accepted; otherwise no file is open.
int OpenAcceptedWave(WaveFile* file, const char* path) {
    if (WaveFileOpen(file, path) != kWaveOpened) return 0;
    if (WaveFileFormatAccepted(file)) return 1;
    WaveFileClose(file);
    return 0;
}

// A refused file (an unsuitable format or no WAVE file at all): the box,
// then the previously accepted file again.
void RefuseWave(Program* p) {
    Shell()->messageBox(GetActiveWindow(), kSorryFormatText, kSorryFormatTitle, MB_OK);
    if (p->rememberedWave[0]) WaveFileOpen(&p->file, p->rememberedWave);
}

// The chosen file replaces the open one, or is refused.
void TakeWaveFile(Program* p, const char* path) {
    WaveFileClose(&p->file);
    const int accepted = OpenAcceptedWave(&p->file, path);
    if (!accepted) RefuseWave(p);
    SyncControlPanel(&p->panel);
    if (accepted) std::snprintf(p->rememberedWave, sizeof p->rememberedWave, "%s", path);
}

// ---- History dialogs ----

// Splits "D:\dir\name.ext" into "D:\dir" and "name.ext" (a root stays "D:\").
void SplitPath(const char* path, char* directory, char* name) {
    const char* slash = std::strrchr(path, '\\');
    size_t split = slash ? static_cast<size_t>(slash - path) : 0;
    // A drive's root keeps its backslash: "D:" alone names the drive's
    // current directory, not its root.
    if (split == 2 && path[1] == ':') split = 3;
    std::memcpy(directory, path, split);
    directory[split] = '\0';
    std::strcpy(name, slash ? slash + 1 : path);
}

// Appends extension when the file part has none. Returns 0 when it does not fit.
int AddDefaultExtension(char* path, const char* extension) {
    const char* slash = std::strrchr(path, '\\');
    if (std::strchr(slash ? slash + 1 : path, '.')) return 1;
    if (std::strlen(path) + std::strlen(extension) >= kHistoryPathSize) return 0;
    std::strcat(path, extension);
    return 1;
}

int ShowHistoryDialog(HWND owner, char* path, const char* filter, const char* extension,
                      const char* title, int mode) {
    OPENFILENAMEA dialog = FileDialog(owner, filter, path, title, OFN_NONETWORKBUTTON);
    std::snprintf(path, kDialogPathSize, "*%s", extension);
    if (mode == kOpenMode) {
        dialog.Flags |= OFN_FILEMUSTEXIST;
        return Shell()->getOpenFileName(&dialog) ? 1 : 0;
    }
    return Shell()->getSaveFileName(&dialog) ? 1 : 0;
}

// The meter window when it is open, else the main window.
HWND MessageOwner(const ControlPanel* panel) {
    void* meter = panel->engine ? MeterGetWindow(panel->engine) : nullptr;
    return meter ? static_cast<HWND>(meter) : panel->parent;
}

void ShowMessage(const ControlPanel* panel, const char* text, const char* title) {
    Shell()->messageBox(MessageOwner(panel), text, title, MB_OK);
}

// The load button's work once a path is known: zoom 1, the read, its boxes.
void LoadHistoryFile(ControlPanel* panel, const char* path) {
    MeterEngine* engine = panel->engine;
    if (panel->zoomKnob) SendCommand(panel->zoomKnob, kRequestSetValue, FloatToBits(1.0f));
    const int result = LoadEngineHistory(engine, path);
    if (result < 0) {
        ShowMessage(panel, kLoadFailedText, kDiskErrorTitle);
        return;
    }
    // The cue list shows the cues that were just replaced.
    HWND cueList = static_cast<HWND>(MeterGetWindowContext(engine)->cueListDialog);
    if (cueList) SendMessageA(cueList, WM_CLOSE, 0, 0);
    SyncControlPanel(panel);
    if (result > 0) {
        char text[256];
        std::snprintf(text, sizeof text, kSampleRateWarningFormat, result);
        ShowMessage(panel, text, kSampleRateWarningTitle);
    }
}

// Loading is refused while recording, with its box. Returns 1 when refused.
int RefusedWhileRecording(const ControlPanel* panel) {
    MeterConfig config;
    MeterGetConfig(panel->engine, &config);
    if (config.params.recordOn != 1) return 0;
    ShowMessage(panel, kRecordingWarningText, kRecordingWarningTitle);
    return 1;
}

} // namespace

void SelectWaveFile(Program* p, const char* path) {
    StreamContext* stream = &p->stream;
    if (stream->selectingFile) return;
    stream->selectingFile = 1;
    StopStream(stream);
    char chosen[kDialogPathSize];
    if (path)
        TakeWaveFile(p, path);
    else if (AskForWaveFile(p->mainWindow, chosen))
        TakeWaveFile(p, chosen);
    stream->selectingFile = 0;
}

int SelectHistoryFile(HWND owner, const char* key, char* path, const char* filter,
                      const char* extension, const char* title, int mode) {
    char previous[MAX_PATH + 1];
    const DWORD kept = GetCurrentDirectoryA(sizeof previous, previous);
    char directory[kSettingTextSize];
    if (!ReadSettingText(key, "dir", directory))
        std::snprintf(directory, sizeof directory, "%s", StartupDirectory());
    SetCurrentDirectoryA(directory);
    int confirmed = ShowHistoryDialog(owner, path, filter, extension, title, mode);
    if (confirmed) confirmed = AddDefaultExtension(path, extension);
    if (kept > 0 && kept < sizeof previous) SetCurrentDirectoryA(previous);
    if (!confirmed) return 0;
    char name[kHistoryPathSize];
    SplitPath(path, directory, name);
    WriteSettingText(key, "dir", directory);
    WriteSettingText(key, "Name", name);
    return 1;
}

void LoadHistoryCommand(ControlPanel* panel) {
    if (!panel->engine || RefusedWhileRecording(panel)) return;
    char path[kHistoryPathSize];
    if (!SelectHistoryFile(MessageOwner(panel), kHistoryLoadKey, path, kHistoryFilter,
                           kHistoryExtension, "Load History", kOpenMode))
        return;
    LoadHistoryFile(panel, path);
}

void LoadHistoryPath(ControlPanel* panel, const char* path) {
    if (!panel->engine || RefusedWhileRecording(panel)) return;
    LoadHistoryFile(panel, path);
}

void SaveHistoryCommand(ControlPanel* panel) {
    char path[kHistoryPathSize];
    if (!SelectHistoryFile(MessageOwner(panel), kHistorySaveKey, path, kHistoryFilter,
                           kHistoryExtension, "Save History", 0))
        return;
    if (SaveEngineHistory(panel->engine, path) != 0)
        ShowMessage(panel, kSaveFailedText, kDiskErrorTitle);
}
