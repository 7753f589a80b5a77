// The calls of the meter window and its history view that open modal
// windows: message boxes, the one-line text entry, and the two dialogs its
// menu opens, which are built elsewhere. They sit in one table so that tests
// can answer them without a modal loop; the program runs with the defaults.
#pragma once

#include <windows.h>

#include <cstdint>

struct MeterWindowContext;

struct MeterWindowUi {
    // MessageBoxA.
    int (*messageBox)(HWND owner, const char* text, const char* caption, UINT type);
    // The toolkit's one-line text entry at screen (x, y), w x h, pre-filled
    // with `initial`. Returns a text the caller frees with freeText, or null.
    char* (*editText)(HWND parent, uint32_t options, int x, int y, int w, int h,
                      const char* initial);
    void (*freeText)(char* text);
    // The display options dialog at screen (x, y); non-zero when confirmed.
    // Null: "Default Options..." does nothing.
    int (*displayOptions)(HWND parent, uint32_t flags, int x, int y);
    // The cue list dialog at screen (x, y). Null: "Edit Cue list..." does nothing.
    int (*cueList)(MeterWindowContext* context, HWND parent, uint32_t flags, int x, int y);
};

// The table in force (never null).
const MeterWindowUi* GetMeterWindowUi();

// Replaces the table (copied); null restores the defaults.
void SetMeterWindowUi(const MeterWindowUi* ui);

// The option word of the text entry for cue names and the window name.
constexpr uint32_t kTextEntryOptions = 2016;
