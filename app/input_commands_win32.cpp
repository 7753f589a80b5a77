#include "app/input_commands.h"

#include <cstdio>

#include "app/commands.h"
#include "app/main_window.h"
#include "app/shell_table.h"
#include "view/loudness_window.h"

const char kMeasureInputTitle[] = "Measure Input";
const char kNoInputItemText[] = "(no input device)";

namespace {

const char kStoppedText[] = "Measuring has stopped; the history and its cues are kept.";
const char kChangeInputText[] = "Stop measuring before choosing another input device.";

// The menu bar's third menu, by its place (the resource's order).
constexpr int kInputMenuPosition = 2;

void TellUser(Program* p, const char* reason, const char* more) {
    char text[kInputReasonSize + kWaveDisplayNameSize + 128];
    // With no device at all there is no name to give.
    const char* name = p->input.driverReady ? InputDeviceName(p->input.driver.selectedDevice) : "";
    std::snprintf(text, sizeof text, "%s%s%s%s%s", name, name[0] ? "\n\n" : "", reason,
                  more ? "\n" : "", more ? more : "");
    Shell()->messageBox(p->mainWindow, text, kMeasureInputTitle, MB_OK | MB_ICONEXCLAMATION);
}

// The devices go above "Measure Input", in the list's order.
void AddDeviceItems(Program* p) {
    HMENU menu = GetSubMenu(GetMenu(p->mainWindow), kInputMenuPosition);
    p->inputMenu = menu;
    if (!menu) return;
    const uint32_t count = InputDeviceCount();
    const uint32_t shown = count < kCommandInputDeviceLast - kCommandInputDeviceFirst + 1
                               ? count
                               : kCommandInputDeviceLast - kCommandInputDeviceFirst + 1;
    UINT at = 0;
    for (uint32_t n = 1; n <= shown; ++n)
        InsertMenuA(menu, at++, MF_BYPOSITION | MF_STRING, kCommandInputDeviceFirst + n - 1,
                    InputDeviceName(n));
    if (shown == 0)
        InsertMenuA(menu, at++, MF_BYPOSITION | MF_STRING | MF_GRAYED, 0, kNoInputItemText);
    InsertMenuA(menu, at, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
}

void DescribeInput(void* context, char* text, size_t size) {
    const Program* p = static_cast<const Program*>(context);
    const InputStream& in = p->input;
    if (!InputIsMeasuring(&in) && in.buffers.load() == 0) {
        std::snprintf(text, size, "%s", "");
        return;
    }
    std::snprintf(text, size, "Input: %llu buffers, %u lost",
                  static_cast<unsigned long long>(in.buffers.load()), in.lost.load());
}

void ResetFromWindow(void* context) {
    ResetLoudness(static_cast<Program*>(context));
}

} // namespace

void StartInputSide(Program* p) {
    LiveLoudnessInit(&p->loudness);
    p->stream.loudness = &p->loudness;
    if (InputStreamInit(&p->input, &p->engine, &p->loudness, p->mainWindow, kMsgInputFailed)) {
        InputLoadDevice(&p->input);
        InputApplyLatency(&p->input, p->stream.latency);
    }
    AddDeviceItems(p);
    const LoudnessSource source = {&p->loudness, &p->engine, DescribeInput, ResetFromWindow, p};
    SetLoudnessSource(&source);
}

void StopInputSide(Program* p) {
    CloseLoudnessWindow();
    SetLoudnessSource(nullptr);
    InputStreamRelease(&p->input);
    p->stream.loudness = nullptr;
    LiveLoudnessFree(&p->loudness);
}

void MeasureInputCommand(Program* p) {
    if (p->stream.selectingFile || InputIsMeasuring(&p->input)) return;
    char reason[kInputReasonSize];
    if (!InputOpenDevice(&p->input, reason)) {
        TellUser(p, reason, nullptr);
        return;
    }
    if (StreamIsStreaming(&p->stream)) StreamStopAction(&p->stream);
    if (!InputRun(&p->input, reason)) TellUser(p, reason, nullptr);
}

void StopInputCommand(Program* p) {
    StopInput(&p->input);
}

void ChooseInputCommand(Program* p, uint16_t id) {
    if (InputIsMeasuring(&p->input)) {
        Shell()->messageBox(p->mainWindow, kChangeInputText, kMeasureInputTitle, MB_OK);
        return;
    }
    if (InputChooseDevice(&p->input, id - kCommandInputDeviceFirst + 1)) InputSaveDevice(&p->input);
}

void CheckInputItems(const Program* p, HMENU menu) {
    const uint32_t count = InputDeviceCount();
    for (uint32_t n = 1; n <= count && n <= kCommandInputDeviceLast - kCommandInputDeviceFirst + 1;
         ++n) {
        const bool chosen = p->input.driverReady && p->input.driver.selectedDevice == n;
        CheckMenuItem(menu, kCommandInputDeviceFirst + n - 1,
                      MF_BYCOMMAND | (chosen ? MF_CHECKED : MF_UNCHECKED));
    }
}

void InputFailed(Program* p) {
    if (!p->input.failed.load()) return;
    StopInput(&p->input);
    p->input.failed.store(0);
    TellUser(p, p->input.failure, kStoppedText);
}

void ResetLoudness(Program* p) {
    // With both flags clear no stream thread adds to the meter any more.
    if (StreamIsStreaming(&p->stream) || InputIsMeasuring(&p->input))
        LiveLoudnessRequestReset(&p->loudness);
    else
        LiveLoudnessRestart(&p->loudness);
}

bool PlayWouldStart(const Program* p) {
    return !p->stream.selectingFile && !StreamIsStreaming(&p->stream) && p->file.handle &&
           p->stream.workBuffer;
}
