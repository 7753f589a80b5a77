// Where the knob meets the value-entry dialogs: "Edit Value" opens the
// edit-text or the time-entry dialog, "Adjust Value" the precision adjuster.
#include "toolkit/knob.h"

#include "toolkit/precision_adjuster.h"

#include <cstdlib>
#include <cstring>

namespace {

int EditTime(const KnobEditRequest* request, float* seconds) {
    const float chosen =
        TimeEntryDialog(request->owner, request->attr, request->x, request->y, request->seconds);
    if (chosen == kTimeEntryCancelled || !seconds) return 0;
    *seconds = chosen;
    return 1;
}

int EditText(const KnobEditRequest* request, char* text, size_t textSize) {
    char* answer = EditTextDialog(request->owner, request->attr, request->x, request->y,
                                  request->width, request->height, request->text);
    // No buffer, or an empty (abandoned) answer: nothing changes.
    const int typed = answer && answer[0] != '\0' && text && textSize > 0;
    if (typed) {
        std::strncpy(text, answer, textSize - 1);
        text[textSize - 1] = '\0';
    }
    std::free(answer);
    return typed;
}

} // namespace

int ValueEntryEditValue(const KnobEditRequest* request, char* text, size_t textSize,
                        float* seconds) {
    if (text && textSize > 0) text[0] = '\0';
    if (!request) return 0;
    return request->timeEntry ? EditTime(request, seconds) : EditText(request, text, textSize);
}

int ValueEntryAdjustValue(HWND knob, int x, int y) {
    const Knob* record = KnobFromWindow(knob);
    if (!record) return 0;
    return OpenPrecisionAdjuster(record->owner, knob, record->style, x, y, kAdjusterClosedCode,
                                 &record->notify, record->id, &record->scale)
               ? 1
               : 0;
}
