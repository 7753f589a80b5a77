#include "app/file_commands.h"

#include <cstdio>
#include <cstring>

#include "app/engine_history.h"
#include "app/main_window.h"
#include "app/shell_table.h"
#include "meter/meter_engine.h"
#include "sys/settings_store.h"
#include "sys/wide_path.h"
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

const wchar_t kWaveFilter[] = L"File WAVE (*.wav)\0*.wav\0All (*.*)\0*.*\0";
const wchar_t kHistoryFilter[] = L"History (*.his)\0*.his\0All (*.*)\0*.*\0";
const char kHistoryExtension[] = ".his";
constexpr int kDialogPathSize = MAX_PATH; // 260 characters
constexpr int kOpenMode = 1;

// The open (mode kOpenMode) or save dialog, proposing name, with the first
// filter selected. On confirmation writes the chosen path in UTF-8 to path
// (size bytes) and returns 1; returns 0 when cancelled or when the path
// cannot be handed over whole.
int RunFileDialog(HWND owner, const wchar_t* filter, const char* name, const char* title,
                  DWORD flags, int mode, char* path, size_t size) {
    wchar_t chosen[kDialogPathSize];
    lstrcpynW(chosen, WideFromUtf8(name).c_str(), kDialogPathSize);
    const std::wstring caption = WideFromUtf8(title);
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = kDialogPathSize;
    dialog.lpstrTitle = caption.c_str();
    dialog.Flags = flags | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER;
    const BOOL confirmed =
        mode == kOpenMode ? Shell()->getOpenFileName(&dialog) : Shell()->getSaveFileName(&dialog);
    if (!confirmed) return 0;
    const std::string utf8 = Utf8FromWide(chosen);
    if (utf8.empty() || utf8.size() >= size) return 0;
    std::memcpy(path, utf8.c_str(), utf8.size() + 1);
    return 1;
}

// ---- Select Wav File ----

int AskForWaveFile(HWND owner, char* path) {
    return RunFileDialog(owner, kWaveFilter, "*.wav", kWaveDialogTitle, OFN_FILEMUSTEXIST,
                         kOpenMode, path, kWavePathSize);
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

int ShowHistoryDialog(HWND owner, char* path, const wchar_t* filter, const char* extension,
                      const char* title, int mode) {
    char name[16];
    std::snprintf(name, sizeof name, "*%s", extension);
    const DWORD flags = OFN_NONETWORKBUTTON | (mode == kOpenMode ? OFN_FILEMUSTEXIST : 0);
    return RunFileDialog(owner, filter, name, title, flags, mode, path, kHistoryPathSize);
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
    StopInput(&p->input);
    char chosen[kWavePathSize];
    if (path)
        TakeWaveFile(p, path);
    else if (AskForWaveFile(p->mainWindow, chosen))
        TakeWaveFile(p, chosen);
    stream->selectingFile = 0;
}

int SelectHistoryFile(HWND owner, const char* key, char* path, const wchar_t* filter,
                      const char* extension, const char* title, int mode) {
    wchar_t previous[MAX_PATH + 1];
    const DWORD kept = GetCurrentDirectoryW(MAX_PATH + 1, previous);
    char directory[kSettingTextSize];
    if (!ReadSettingText(key, "dir", directory))
        std::snprintf(directory, sizeof directory, "%s", StartupDirectory());
    SetCurrentDirectoryW(WideFromUtf8(directory).c_str());
    int confirmed = ShowHistoryDialog(owner, path, filter, extension, title, mode);
    if (confirmed) confirmed = AddDefaultExtension(path, extension);
    if (kept > 0 && kept < MAX_PATH + 1) SetCurrentDirectoryW(previous);
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
