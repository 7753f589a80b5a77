// Copying the engine's state into the main window's control panel, after the
// panel is built, after a WAVE file was chosen and after a history file was
// loaded.
#include "meter/meter_engine.h"
#include "toolkit/toolkit.h"
#include "view/control_panel.h"
#include "view/meter_window.h"

namespace {

void SetValue(HWND control, float value) {
    if (control) SendCommand(control, kRequestSetValue, FloatToBits(value));
}

float OnOff(uint32_t word) {
    return word == 1 ? 1.0f : 0.0f;
}

// The mode radios: all off, the offset switch's state as the PEAK radio's
// enabling (only where the panel has that switch), then the selected one on.
void SyncModeRadios(ControlPanel* panel, const MeterParams& params) {
    SetValue(panel->peakRadio, 0.0f);
    SetValue(panel->rmsRadio, 0.0f);
    SetValue(panel->averageRadio, 0.0f);
    if (panel->offsetSwitch && panel->peakRadio)
        SendMessageA(panel->peakRadio, WM_COMMAND,
                     params.offsetOn ? kRequestDisable : kRequestEnable, 0);
    HWND selected = (params.peakSelect & 1)  ? panel->peakRadio
                    : (params.rmsSelect & 1) ? panel->rmsRadio
                                             : panel->averageRadio;
    SetValue(selected, 1.0f);
}

} // namespace

void SyncControlPanel(ControlPanel* panel) {
    if (!panel || !panel->engine) return;
    MeterConfig config;
    MeterGetConfig(panel->engine, &config);
    const MeterParams& params = config.params;
    SetValue(panel->holdSwitch, MeterGetHold(panel->engine) == 1 ? 1.0f : 0.0f);
    SetValue(panel->scaleTypeSwitch, OnOff(params.linearBallistics));
    SetValue(panel->delayKnob, params.delay);
    SetValue(panel->attackKnob, params.attack);
    SetValue(panel->attackSwitch, OnOff(params.attackOn));
    SetValue(panel->offsetSwitch, OnOff(params.offsetOn));
    SetValue(panel->maxDbKnob, params.maxDb);
    SetValue(panel->minDbKnob, params.minDb);
    SetValue(panel->averageFallKnob, params.averageFall);
    SetValue(panel->peakFallKnob, params.peakFall);
    SyncModeRadios(panel, params);
    SetValue(panel->phaseReleaseKnob, params.phaseRelease);
    panel->recordLamp = params.recordOn == 1 ? 1 : 0;
    SetValue(panel->recordSwitch, static_cast<float>(panel->recordLamp));
    SetValue(panel->zoomKnob, static_cast<float>(params.zoom));
    if (config.windowOpen) {
        MeterRepaint(panel->engine);
        OpenMeterWindow(panel);
    }
}
