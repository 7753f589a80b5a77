// Where the knob meets the value-entry dialogs. The edit-text and
// time-entry dialogs and the precision adjuster are not part of the toolkit
// yet: until they are, "Edit Value" and "Adjust Value" find no dialog and
// leave the value as it is.
#include "toolkit/knob.h"

int ValueEntryEditValue(const KnobEditRequest* request, char* text, size_t textSize,
                        float* seconds) {
    (void)request;
    (void)seconds;
    if (text && textSize > 0) {
        text[0] = '\0';
    }
    return 0;
}

int ValueEntryAdjustValue(HWND knob, int x, int y) {
    (void)knob;
    (void)x;
    (void)y;
    return 0;
}
