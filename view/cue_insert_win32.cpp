#include "view/cue_insert.h"

#include "history/cue_store.h"
#include "meter/meter_engine.h"
#include "view/history_columns.h"
#include "view/meter_window_layout.h"
#include "view/meter_window_ui.h"

const char kCueFullText[] = "Failed to Add a new Cue point !";
const char kCueFullCaption[] = "Too Much cue points";

namespace {

// The slot of the column under x, or 0 when the column holds none.
int32_t ClickedSlot(MeterEngine* e, int32_t g, int x) {
    const int32_t k = HistoryColumnAt(g, x);
    SysLockEnter(&e->lock);
    const HistoryStore store = e->frame.history;
    const int32_t zoom = HistoryGetZoom(e->config.params.zoom);
    SysLockLeave(&e->lock);
    if (k < 0 || store.viewPos < 1 || !store.history) return 0;
    const int64_t idx = store.viewPos - int64_t(zoom) * k;
    return idx >= 1 && idx <= store.recordCount ? static_cast<int32_t>(idx) : 0;
}

} // namespace

int AddCueAtPoint(MeterEngine* e, HWND window, WPARAM keys, POINT point) {
    RECT client;
    if (!GetClientRect(window, &client)) return 0;
    const MeterLayout layout =
        MeterWindowLayout(client.left, client.top, client.right, client.bottom, e->channels);
    const int32_t g = layout.historyWidth;
    if (!layout.usable || g <= 0 || point.x < 32 || point.x > g - 1) return 0;
    if (!(keys & MK_CONTROL)) return 0;
    HistoryStore* store = &e->frame.history;
    const MeterWindowUi* ui = GetMeterWindowUi();
    if (CueCount(store) >= kCueCapacity) {
        ui->messageBox(window, kCueFullText, kCueFullCaption, MB_OK);
        return 1;
    }
    const int32_t slot = ClickedSlot(e, g, point.x);
    if (slot < 1) return 1;
    const int64_t position = store->history[slot - 1].samplePosition;
    char name[kCueNameSize];
    CueDefaultName(name, CueCount(store) + 1);
    POINT screen = point;
    ClientToScreen(window, &screen);
    char* typed = ui->editText(window, kTextEntryOptions, screen.x, screen.y, 150, 22, name);
    // Cancel (empty) or no text keeps the default name.
    CueInsert(store, position, typed && typed[0] ? typed : name);
    if (typed) ui->freeText(typed);
    InvalidateRect(window, nullptr, FALSE);
    return 1;
}
