#include "display/meter_settings.h"

#include <cstring>

#include "sys/settings_store.h"

namespace {

MeterSettings gSettings;
int gUseCount;
char gKey[300];
MeterSettingsHooks gHooks;
uint32_t gCustomColours[16];

} // namespace

void SetMeterSettingsHooks(const MeterSettingsHooks* hooks) {
    gHooks = hooks ? *hooks : MeterSettingsHooks{};
}

MeterSettings* GetMeterSettings() {
    return &gSettings;
}

int MeterSettingsUseCount() {
    return gUseCount;
}

uint32_t* MeterCustomColours() {
    return gCustomColours;
}

MeterSettings* AcquireMeterSettings(const char* name) {
    if (!name) return nullptr;
    if (gUseCount == 0) {
        if (strlen(kMeterKeyPrefix) + strlen(name) >= sizeof gKey) return nullptr;
        strcpy(gKey, kMeterKeyPrefix);
        strcat(gKey, name);
        for (int i = 0; i < 16; ++i)
            gCustomColours[i] = gHooks.paletteColor ? gHooks.paletteColor(i) : 0;
        memset(&gSettings, 0, sizeof gSettings);
        LoadMeterSettingsValues(gKey, &gSettings.values);
        if (gHooks.buildObjects) gHooks.buildObjects(&gSettings);
    }
    ++gUseCount;
    return &gSettings;
}

int ReleaseMeterSettings() {
    if (gUseCount <= 0) return 1;
    if (--gUseCount > 0) return 1;
    if (gHooks.closeDialog) gHooks.closeDialog();
    // Destroying the objects clears the whole record, so the values to save
    // are taken aside first.
    const MeterSettingsValues values = gSettings.values;
    if (gHooks.destroyObjects) gHooks.destroyObjects(&gSettings);
    memset(&gSettings, 0, sizeof gSettings);
    return SaveMeterSettingsValues(gKey, &values);
}
