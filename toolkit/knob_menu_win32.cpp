// The knob's context menu: built with the knob, refreshed before it shows,
// and its commands, which set the knob's value or the toolkit-wide options.
#include "toolkit/knob.h"

#include "toolkit/number_text.h"

#include <cstdio>

namespace {

constexpr UINT kLatencyStepMs = 100;
constexpr UINT kLatencyItems = 6; // 0 to 500 ms
constexpr UINT kInfoPlaces = 4;

Knob* GetKnob(HWND window) {
    return const_cast<Knob*>(KnobFromWindow(window));
}

bool HasValueMenu(const Knob* knob) {
    return (knob->style & kKnobNoValueMenu) == 0;
}

bool Decibel(const Knob* knob) {
    return (knob->style & kKnobDecibel) != 0;
}

int AppendText(HMENU menu, UINT id, const char* text, UINT flags = 0) {
    return AppendMenuA(menu, MF_STRING | flags, id, text) ? 1 : 0;
}

int AppendNumberItem(HMENU menu, const Knob* knob, UINT id, KnobMenuTextItem item, UINT flags) {
    char text[128];
    KnobMenuText(&knob->scale, Decibel(knob), item, text, sizeof text);
    return AppendText(menu, id, text, flags);
}

int BuildLatencyMenu(HMENU menu) {
    int ok = 1;
    for (UINT i = 0; i < kLatencyItems; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "Latency %u ms", i * kLatencyStepMs);
        ok &= AppendText(menu, kKnobMenuLatency + i * kLatencyStepMs, text);
    }
    return ok;
}

int BuildInfoMenu(HMENU menu) {
    static const char* const kPlaces[kInfoPlaces] = {"Display on Left Top", "Display on Right Top",
                                                     "Display on Right Bottom",
                                                     "Display on Left Bottom"};
    int ok = AppendText(menu, kKnobMenuInfoBox, "Enable Info Value Box");
    ok &= AppendMenuA(menu, MF_SEPARATOR, 0, nullptr) ? 1 : 0;
    for (UINT i = 0; i < kInfoPlaces; ++i) {
        ok &= AppendText(menu, kKnobMenuInfoBox + 1 + i, kPlaces[i]);
    }
    return ok;
}

int BuildMainMenu(const Knob* knob) {
    HMENU menu = knob->menu;
    int ok = knob->track ? AppendText(menu, kSlideMenuCapture, "Mouse Captured") &
                               AppendText(menu, kSlideMenuSetToPos, "Direct mouse position")
                         : AppendText(menu, kKnobMenuInverse, "Inverse Mousemove Mode") &
                               AppendText(menu, kKnobMenuAngular, "Angular Mousemove Mode");
    ok &= AppendMenuA(menu, MF_SEPARATOR, 0, nullptr) ? 1 : 0;
    ok &= AppendText(menu, kKnobMenuShowMoves, "Display Knob Moves");
    ok &= AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(knob->latencyMenu),
                      "Time before change value...")
              ? 1
              : 0;
    ok &= AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(knob->infoMenu), "Info Box...")
              ? 1
              : 0;
    if (!HasValueMenu(knob)) {
        return ok;
    }
    ok &= AppendMenuA(menu, MF_SEPARATOR, 0, nullptr) ? 1 : 0;
    ok &= AppendNumberItem(menu, knob, kKnobMenuCurrent, kKnobTextCurrent, MF_GRAYED);
    ok &= AppendNumberItem(menu, knob, kKnobMenuDefault, kKnobTextDefault, 0);
    ok &= AppendText(menu, kKnobMenuEdit, "Edit Value\tINS [CTRL+CLICK]");
    ok &= AppendText(menu, kKnobMenuAdjust, "Adjust Value\t[SHIFT+CLICK]");
    ok &= AppendMenuA(menu, MF_SEPARATOR, 0, nullptr) ? 1 : 0;
    ok &= AppendNumberItem(menu, knob, kKnobMenuMin, kKnobTextMin, 0);
    ok &= AppendNumberItem(menu, knob, kKnobMenuMax, kKnobTextMax, 0);
    return ok;
}

void Check(HMENU menu, UINT id, bool checked) {
    CheckMenuItem(menu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void PrepareValueItems(const Knob* knob) {
    HMENU menu = knob->menu;
    const KnobScale& scale = knob->scale;
    char text[128];
    KnobMenuText(&scale, Decibel(knob), kKnobTextCurrent, text, sizeof text);
    ModifyMenuA(menu, kKnobMenuCurrent, MF_BYCOMMAND | MF_STRING | MF_GRAYED, kKnobMenuCurrent,
                text);
    Check(menu, kKnobMenuDefault, scale.value == scale.defaultValue);
    Check(menu, kKnobMenuMin, scale.value == scale.min);
    Check(menu, kKnobMenuMax, scale.value == scale.max);
    for (uint16_t i = 0; i < knob->presetCount; ++i) {
        Check(menu, kKnobMenuPreset + i, scale.value == knob->presets[i]);
    }
}

void PrepareOptionItems(const Knob* knob) {
    const ToolkitOptions* options = ToolkitGetOptions();
    HMENU menu = knob->menu;
    if (knob->track) {
        Check(menu, kSlideMenuCapture, options->sCapture != 0);
        Check(menu, kSlideMenuSetToPos, options->sSetToPos != 0);
    } else {
        Check(menu, kKnobMenuInverse, (options->rotMode & kRotModeInverse) != 0);
        EnableMenuItem(menu, kKnobMenuInverse,
                       MF_BYCOMMAND |
                           ((options->rotMode & kRotModeAngular) ? MF_GRAYED : MF_ENABLED));
        Check(menu, kKnobMenuAngular, (options->rotMode & kRotModeAngular) != 0);
    }
    Check(menu, kKnobMenuShowMoves, options->rotMove != 0);
    for (UINT i = 0; i < kLatencyItems; ++i) {
        UINT ms = i * kLatencyStepMs;
        Check(knob->latencyMenu, kKnobMenuLatency + ms, options->rotLatency == ms);
    }
    Check(knob->infoMenu, kKnobMenuInfoBox, (options->infoValue & kInfoValueEnabled) != 0);
    // A place outside 1-4 (a hand-edited setting) shows as the default place
    // 3, where the box then goes; it must not check the enable item 2000.
    UINT place = options->infoValue & 15;
    if (place < 1 || place > kInfoPlaces) {
        place = 3;
    }
    for (UINT i = 1; i <= kInfoPlaces; ++i) {
        Check(knob->infoMenu, kKnobMenuInfoBox + i, i == place);
    }
}

void ToggleInverse(ToolkitOptions* options) {
    // The item is grayed in angular mode; the command changes nothing then.
    if (!(options->rotMode & kRotModeAngular)) {
        options->rotMode ^= kRotModeInverse;
    }
}

void ToggleAngular(ToolkitOptions* options) {
    if (options->rotMode & kRotModeAngular) {
        options->rotMode &= kRotModeInverse;
    } else {
        options->rotMode |= kRotModeAngular;
    }
}

void ToggleInfoBox(ToolkitOptions* options) {
    if (options->infoValue & kInfoValueEnabled) {
        options->infoValue &= ~(kInfoValueEnabled | kInfoValueFlagBits);
    } else {
        options->infoValue |= kInfoValueEnabled;
    }
}

} // namespace

int KnobBuildMenus(Knob* knob) {
    knob->menu = CreatePopupMenu();
    knob->latencyMenu = CreatePopupMenu();
    knob->infoMenu = CreatePopupMenu();
    if (knob->menu && knob->latencyMenu && knob->infoMenu && BuildLatencyMenu(knob->latencyMenu) &&
        BuildInfoMenu(knob->infoMenu) && BuildMainMenu(knob)) {
        return 1;
    }
    KnobDestroyMenus(knob);
    return 0;
}

void KnobDestroyMenus(Knob* knob) {
    // Submenus attached to the main popup go with it; destroy them alone
    // only when they never got there.
    bool attached = false;
    if (knob->menu) {
        int count = GetMenuItemCount(knob->menu);
        for (int i = 0; i < count; ++i) {
            HMENU sub = GetSubMenu(knob->menu, i);
            if (sub && (sub == knob->latencyMenu || sub == knob->infoMenu)) {
                attached = true;
            }
        }
        DestroyMenu(knob->menu);
    }
    if (!attached) {
        if (knob->latencyMenu) {
            DestroyMenu(knob->latencyMenu);
        }
        if (knob->infoMenu) {
            DestroyMenu(knob->infoMenu);
        }
    }
    knob->menu = nullptr;
    knob->latencyMenu = nullptr;
    knob->infoMenu = nullptr;
}

int KnobRebuildPresetItems(Knob* knob) {
    if (!knob->menu) {
        return 0;
    }
    for (int i = 0; i < kKnobMaxPresets; ++i) {
        DeleteMenu(knob->menu, kKnobMenuPreset + i, MF_BYCOMMAND);
    }
    int last = GetMenuItemCount(knob->menu) - 1;
    if (last >= 0 && GetMenuItemID(knob->menu, last) == 0 &&
        (GetMenuState(knob->menu, last, MF_BYPOSITION) & MF_SEPARATOR)) {
        DeleteMenu(knob->menu, last, MF_BYPOSITION);
    }
    if (!HasValueMenu(knob) || knob->presetCount == 0) {
        return 1;
    }
    int ok = AppendMenuA(knob->menu, MF_SEPARATOR, 0, nullptr) ? 1 : 0;
    for (uint16_t i = 0; i < knob->presetCount; ++i) {
        char number[64];
        float shown = Decibel(knob) ? KnobDecibels(knob->presets[i]) : knob->presets[i];
        FloatToText(shown, number, sizeof number, knob->scale.decimals, 0, 1);
        char text[96];
        std::snprintf(text, sizeof text, "Preset %u (%s%s)", i + 1u, number,
                      Decibel(knob) ? " db" : "");
        ok &= AppendText(knob->menu, kKnobMenuPreset + i, text);
    }
    return ok;
}

HMENU KnobPrepareContextMenu(HWND window) {
    Knob* knob = GetKnob(window);
    if (!knob) {
        return nullptr;
    }
    PrepareOptionItems(knob);
    if (HasValueMenu(knob)) {
        PrepareValueItems(knob);
    }
    return knob->menu;
}

int KnobMenuCommand(Knob* knob, UINT id) {
    ToolkitOptions* options = ToolkitGetOptions();
    if (knob->track && (id == kSlideMenuCapture || id == kSlideMenuSetToPos)) {
        uint32_t& flag = id == kSlideMenuCapture ? options->sCapture : options->sSetToPos;
        flag = flag ? 0 : 1;
        return 1;
    }
    switch (id) {
    case kKnobMenuInverse: ToggleInverse(options); return 1;
    case kKnobMenuAngular: ToggleAngular(options); return 1;
    case kKnobMenuShowMoves:
        options->rotMove = options->rotMove ? 0 : 1;
        KnobRedraw(knob);
        return 1;
    case kKnobMenuDefault: KnobResetToDefault(knob); return 1;
    case kKnobMenuMin: KnobSetFramedValue(knob, knob->scale.min); return 1;
    case kKnobMenuMax: KnobSetFramedValue(knob, knob->scale.max); return 1;
    case kKnobMenuEdit: KnobEditValue(knob); return 1;
    case kKnobMenuAdjust: KnobAdjustValue(knob); return 1;
    case kKnobMenuInfoBox: ToggleInfoBox(options); return 1;
    default: break;
    }
    if (id >= kKnobMenuPreset && id < kKnobMenuPreset + knob->presetCount) {
        KnobSetFramedValue(knob, knob->presets[id - kKnobMenuPreset]);
        return 1;
    }
    if (id >= kKnobMenuLatency && id < kKnobMenuLatency + 1000) {
        options->rotLatency = id - kKnobMenuLatency;
        return 1;
    }
    if (id > kKnobMenuInfoBox && id <= kKnobMenuInfoBox + kInfoPlaces) {
        options->infoValue = (options->infoValue & 0xF0000000u) | (id - kKnobMenuInfoBox);
        return 1;
    }
    return 0;
}
