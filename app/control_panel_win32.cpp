// The main window's front panel: knobs and image buttons over bitmap 500,
// each reporting to one callback that writes the meter engine's
// configuration or runs its history operations.
#include "view/control_panel.h"

#include <initializer_list>

#include "app/file_commands.h"
#include "app/input_commands.h"
#include "app/main_window.h"
#include "app/shell_table.h"
#include "meter/meter_engine.h"
#include "toolkit/free_panel.h"
#include "toolkit/image_button.h"
#include "toolkit/knob.h"
#include "view/meter_window.h"
#include "view/status_panel.h"

namespace {

const char kResetText[] = "Do you want to remove all the records !?";
const char kResetTitle[] = "Reset Record";

constexpr int kKnobFace = 509;
constexpr int kButtonDown = 530;
constexpr int kButtonUp = 531;
constexpr int kKnobCentreX = 13;
constexpr int kKnobCentreY = 12;
constexpr uint32_t kDelayKnobStyle = 0x12000A0;
constexpr uint32_t kKnobStyle = 0x11000A0;

// ---- Callbacks: (panel, control id, value) ----

bool IsOn(uint32_t value) {
    return BitsToFloat(value) == 1.0f;
}

void SetValue(HWND control, float value) {
    if (control) SendCommand(control, kRequestSetValue, FloatToBits(value));
}

HWND MessageOwner(const ControlPanel* panel) {
    void* meter = MeterGetWindow(panel->engine);
    return meter ? static_cast<HWND>(meter) : panel->parent;
}

void OnHold(void* context, uint32_t, uint32_t value) {
    auto* panel = static_cast<ControlPanel*>(context);
    MeterSetHold(panel->engine, IsOn(value) ? 1 : 0);
}

void OnOpenMeter(void* context, uint32_t, uint32_t) {
    OpenMeterWindow(static_cast<ControlPanel*>(context));
}

void OnReset(void* context, uint32_t, uint32_t) {
    auto* panel = static_cast<ControlPanel*>(context);
    if (Shell()->messageBox(MessageOwner(panel), kResetText, kResetTitle, MB_OKCANCEL) != IDOK)
        return;
    MeterResetHistory(panel->engine);
    if (Program* program = ProgramOfWindow(panel->parent)) ResetLoudness(program);
    MeterRepaint(panel->engine);
}

void OnDelay(void* context, uint32_t, uint32_t value) {
    auto* panel = static_cast<ControlPanel*>(context);
    MeterConfig config;
    MeterGetConfig(panel->engine, &config);
    config.params.delay = config.params2.delay = BitsToFloat(value);
    MeterSetConfig(panel->engine, &config);
}

void OnPhaseRelease(void* context, uint32_t, uint32_t value) {
    auto* panel = static_cast<ControlPanel*>(context);
    MeterConfig config;
    MeterGetConfig(panel->engine, &config);
    config.params.phaseRelease = config.params2.phaseRelease = BitsToFloat(value);
    MeterSetConfig(panel->engine, &config);
}

// Ids 0 (maximum) and 1 (minimum): the range always spans at least 1 dB,
// the other knob following.
void OnDecibelRange(void* context, uint32_t id, uint32_t value) {
    auto* panel = static_cast<ControlPanel*>(context);
    MeterConfig config;
    MeterGetConfig(panel->engine, &config);
    MeterParams& params = config.params;
    const float db = BitsToFloat(value);
    if (id == 0) {
        params.maxDb = db;
        if (params.minDb + 1.0f > params.maxDb) {
            params.minDb = params.maxDb - 1.0f;
            SetValue(panel->minDbKnob, params.minDb);
        }
    } else {
        params.minDb = db;
        if (params.maxDb - 1.0f < params.minDb) {
            params.maxDb = params.minDb + 1.0f;
            SetValue(panel->maxDbKnob, params.maxDb);
        }
    }
    MeterSetConfig(panel->engine, &config);
    MeterRepaint(panel->engine);
}

// Ids 2 (peak) and 3 (average): the peak fall never exceeds the average fall.
void OnFallRate(void* context, uint32_t id, uint32_t value) {
    auto* panel = static_cast<ControlPanel*>(context);
    MeterConfig config;
    MeterGetConfig(panel->engine, &config);
    MeterParams& params = config.params;
    const float rate = BitsToFloat(value);
    if (id == 2) {
        params.peakFall = rate;
        if (rate > params.averageFall) {
            params.averageFall = rate;
            SetValue(panel->averageFallKnob, rate);
        }
    } else {
        params.averageFall = rate;
        if (rate < params.peakFall) {
            params.peakFall = rate;
            SetValue(panel->peakFallKnob, rate);
        }
    }
    MeterSetConfig(panel->engine, &config);
}

// Ids 0 PEAK, 1 RMS, 2 Average. RMS leaves a PEAK selection's rmsSelect
// bit behind on purpose: peakSelect is looked at first.
void OnRadio(void* context, uint32_t id, uint32_t) {
    auto* panel = static_cast<ControlPanel*>(context);
    MeterConfig config;
    MeterGetConfig(panel->engine, &config);
    HWND radios[3] = {panel->peakRadio, panel->rmsRadio, panel->averageRadio};
    for (MeterParams* params : {&config.params, &config.params2}) {
        if (id == 0) {
            params->peakSelect |= 1u;
        } else if (id == 1) {
            params->peakSelect &= ~1u;
            params->rmsSelect |= 1u;
        } else {
            params->peakSelect &= ~1u;
            params->rmsSelect &= ~1u;
        }
    }
    for (uint32_t i = 0; i < 3; ++i)
        if (i != id) SetValue(radios[i], 0.0f);
    MeterSetConfig(panel->engine, &config);
    MeterRepaint(panel->engine);
}

void OnRecord(void* context, uint32_t, uint32_t value) {
    auto* panel = static_cast<ControlPanel*>(context);
    const uint32_t on = IsOn(value) ? 1 : 0;
    panel->recordLamp = on;
    MeterSetRecording(panel->engine, on);
}

void OnZoom(void* context, uint32_t, uint32_t value) {
    auto* panel = static_cast<ControlPanel*>(context);
    const int32_t zoom = static_cast<int32_t>(BitsToFloat(value)); // toward zero
    MeterConfig config;
    MeterGetConfig(panel->engine, &config);
    if (zoom == config.params.zoom) return;
    MeterSetZoom(panel->engine, zoom);
    MeterRepaint(panel->engine);
}

void OnFollow(void* context, uint32_t, uint32_t) {
    auto* panel = static_cast<ControlPanel*>(context);
    MeterFollow(panel->engine);
    SetValue(panel->zoomKnob, 1.0f);
}

// Id 0 loads, id 1 saves.
void OnHistoryFile(void* context, uint32_t id, uint32_t) {
    auto* panel = static_cast<ControlPanel*>(context);
    if (id == 0)
        LoadHistoryCommand(panel);
    else
        SaveHistoryCommand(panel);
}

// ---- Building ----

struct KnobSpec {
    HWND ControlPanel::*slot;
    uint16_t id;
    int x, y;
    uint32_t style;
    int startDegrees, endDegrees;
    float min, max, initial, step;
    ControlCallback callback;
};

struct ButtonSpec {
    HWND ControlPanel::*slot;
    uint16_t id;
    int x, y;
    uint32_t mode;
    ControlCallback callback;
};

HWND MakeButton(ControlPanel* panel, const ButtonSpec& b) {
    return CreateImageButton(panel->parent, b.id, b.x, b.y, b.mode, SharedBitmap(kButtonUp),
                             SharedBitmap(kButtonDown), nullptr, b.callback, panel);
}

HWND MakeKnob(ControlPanel* panel, const KnobSpec& k) {
    return CreateKnob(panel->parent, k.id, k.x, k.y, k.style, SharedBitmap(kKnobFace), kKnobCentreX,
                      kKnobCentreY, k.startDegrees, k.endDegrees, k.min, k.max, k.initial, k.step,
                      k.callback, panel);
}

// The controls in creation order (which is also the Tab order).
const ButtonSpec kTopButtons[] = {
    {&ControlPanel::holdSwitch, 0, 12, 7, kButtonToggle, OnHold},
    {&ControlPanel::openMeterButton, 0, 91, 7, kButtonPush, OnOpenMeter},
    {&ControlPanel::resetButton, 0, 175, 7, kButtonPush, OnReset},
};
const KnobSpec kDelayKnob = {&ControlPanel::delayKnob,
                             1,
                             216,
                             34,
                             kDelayKnobStyle,
                             220,
                             319,
                             0.0f,
                             2.0f,
                             0.0f,
                             0.002f,
                             OnDelay};
const ButtonSpec kRadios[] = {
    {&ControlPanel::peakRadio, 0, 74, 99, kButtonRadio, OnRadio},
    {&ControlPanel::rmsRadio, 1, 74, 120, kButtonRadio, OnRadio},
    {&ControlPanel::averageRadio, 2, 74, 141, kButtonRadio, OnRadio},
};
const KnobSpec kRangeKnobs[] = {
    {&ControlPanel::maxDbKnob, 0, 34, 100, kKnobStyle, 240, 300, -170, 48, 6, 0.25f,
     OnDecibelRange},
    {&ControlPanel::minDbKnob, 1, 34, 135, kKnobStyle, 240, 300, -180, 40, -60, 0.25f,
     OnDecibelRange},
    {&ControlPanel::peakFallKnob, 2, 216, 100, kKnobStyle, 240, 300, 0.1f, 96, 3, 0.25f,
     OnFallRate},
    {&ControlPanel::averageFallKnob, 3, 216, 135, kKnobStyle, 240, 300, 0.1f, 96, 24, 0.25f,
     OnFallRate},
    {&ControlPanel::phaseReleaseKnob, 0, 216, 174, kKnobStyle, 240, 300, 0.1f, 30, 0.5f, 0.05f,
     OnPhaseRelease},
};
const ButtonSpec kRecordSwitch = {&ControlPanel::recordSwitch, 0, 12, 44, kButtonToggle, OnRecord};
const KnobSpec kZoomKnob = {
    &ControlPanel::zoomKnob, 0, 41, 243, kKnobStyle, 240, 300, 1, 120, 1, 0.5f, OnZoom};
const ButtonSpec kBottomButtons[] = {
    {&ControlPanel::followButton, 0, 51, 291, kButtonPush, OnFollow},
    {&ControlPanel::loadButton, 0, 167, 316, kButtonPush, OnHistoryFile},
    {&ControlPanel::saveButton, 1, 167, 356, kButtonPush, OnHistoryFile},
};

} // namespace

int BuildControlPanel(ControlPanel* panel, HWND mainWindow) {
    panel->parent = mainWindow;
    for (const ButtonSpec& b : kTopButtons)
        panel->*b.slot = MakeButton(panel, b);
    panel->*kDelayKnob.slot = MakeKnob(panel, kDelayKnob);
    for (const ButtonSpec& b : kRadios)
        panel->*b.slot = MakeButton(panel, b);
    for (const KnobSpec& k : kRangeKnobs)
        panel->*k.slot = MakeKnob(panel, k);
    panel->*kRecordSwitch.slot = MakeButton(panel, kRecordSwitch);
    panel->statusPanel = CreateStatusPanel(panel);
    panel->*kZoomKnob.slot = MakeKnob(panel, kZoomKnob);
    for (const ButtonSpec& b : kBottomButtons)
        panel->*b.slot = MakeButton(panel, b);
    if (panel->engine) MeterGetWindowContext(panel->engine)->controlPanel = panel;
    return 1;
}

int DestroyControlPanel(ControlPanel* panel) {
    if (panel->engine) MeterGetWindowContext(panel->engine)->controlPanel = nullptr;
    HWND ControlPanel::*const slots[] = {
        &ControlPanel::holdSwitch,      &ControlPanel::attackKnob,
        &ControlPanel::attackSwitch,    &ControlPanel::offsetSwitch,
        &ControlPanel::delayKnob,       &ControlPanel::openMeterButton,
        &ControlPanel::maxDbKnob,       &ControlPanel::minDbKnob,
        &ControlPanel::peakFallKnob,    &ControlPanel::averageFallKnob,
        &ControlPanel::peakRadio,       &ControlPanel::rmsRadio,
        &ControlPanel::averageRadio,    &ControlPanel::resetButton,
        &ControlPanel::scaleTypeSwitch, &ControlPanel::phaseReleaseKnob,
        &ControlPanel::recordSwitch,    &ControlPanel::statusPanel,
        &ControlPanel::zoomKnob,        &ControlPanel::followButton,
        &ControlPanel::loadButton,      &ControlPanel::saveButton,
    };
    for (HWND ControlPanel::*slot : slots) {
        if (panel->*slot) DestroyWindow(panel->*slot);
        panel->*slot = nullptr;
    }
    return 1;
}
