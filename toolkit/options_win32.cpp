// The toolkit's user options: defaults, load rules and the settings store.
#include "toolkit/toolkit.h"

#include "sys/settings_store.h"

namespace {

// A 4-byte option and what loading does to a stored value.
enum LoadRule { kAsStored, kFlag, kLatency };

struct WordOption {
    const char* name;
    uint32_t ToolkitOptions::*field;
    LoadRule rule;
};

// Load order; the save order below differs as the stored layout expects.
const WordOption kLoadOrder[] = {
    {kRotModeValue, &ToolkitOptions::rotMode, kAsStored},
    {kInfoValueValue, &ToolkitOptions::infoValue, kAsStored},
    {kRotMoveValue, &ToolkitOptions::rotMove, kFlag},
    {kRotLatencyValue, &ToolkitOptions::rotLatency, kLatency},
    {kSCaptureValue, &ToolkitOptions::sCapture, kFlag},
    {kSSetToPosValue, &ToolkitOptions::sSetToPos, kFlag},
    {kAIModeValue, &ToolkitOptions::aIMode, kFlag},
};

const WordOption kSaveOrder[] = {
    {kRotModeValue, &ToolkitOptions::rotMode, kAsStored},
    {kInfoValueValue, &ToolkitOptions::infoValue, kAsStored},
    {kRotLatencyValue, &ToolkitOptions::rotLatency, kLatency},
    {kRotMoveValue, &ToolkitOptions::rotMove, kFlag},
    {kSCaptureValue, &ToolkitOptions::sCapture, kFlag},
    {kSSetToPosValue, &ToolkitOptions::sSetToPos, kFlag},
    {kAIModeValue, &ToolkitOptions::aIMode, kFlag},
};

uint32_t ApplyRule(LoadRule rule, uint32_t stored) {
    switch (rule) {
    case kFlag: return stored != 0 ? 1 : 0;
    case kLatency: return stored > kMaxRotLatency ? 0 : stored;
    case kAsStored: break;
    }
    return stored;
}

} // namespace

void SetDefaultToolkitOptions(ToolkitOptions* options) {
    *options = ToolkitOptions{};
    options->rotMode = 1;
    options->infoValue = 0x80000003u;
    options->sCapture = 1;
    SetDefaultTimeEntrySettings(&options->timeEntry);
}

int LoadToolkitOptions(ToolkitOptions* options, const char* key) {
    int taken = 0;
    for (const WordOption& option : kLoadOrder) {
        uint32_t stored = 0;
        // A value of another size would only half replace the option.
        if (ReadSettingBinaryExact(key, option.name, &stored, sizeof stored)) {
            options->*option.field = ApplyRule(option.rule, stored);
            ++taken;
        }
    }
    TimeEntrySettings timeEntry;
    if (ReadSettingBinaryExact(key, kDialTCtxValue, &timeEntry, sizeof timeEntry)) {
        RepairTimeEntrySettings(&timeEntry);
        options->timeEntry = timeEntry;
        ++taken;
    }
    return taken;
}

int SaveToolkitOptions(const ToolkitOptions* options, const char* key) {
    int written = 0;
    for (const WordOption& option : kSaveOrder) {
        const uint32_t value = options->*option.field;
        written += WriteSettingBinary(key, option.name, &value, sizeof value);
    }
    written +=
        WriteSettingBinary(key, kDialTCtxValue, &options->timeEntry, sizeof options->timeEntry);
    return written;
}
