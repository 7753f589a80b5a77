#include "view/history_graph.h"

#include <initializer_list>

#include "display/bargraph.h"
#include "display/meter_settings.h"
#include "display/meter_objects.h"
#include "view/cue_insert.h"
#include "view/meter_window_internal.h"
#include "history/cue_store.h"
#include "meter/meter_engine.h"
#include "toolkit/formats.h"
#include "toolkit/toolkit.h"

namespace {

// Text attributes of the ruler and the event strip (font, fill, colour).
constexpr uint32_t kAttrLabel = 1551;   // font 6, colour 15
constexpr uint32_t kAttrCueName = 1039; // font 4, colour 15
constexpr uint32_t kAttrReadoutBox = 14;
// Narrowest client area that shows the time under the pointer.
constexpr int kMinReadoutWidth = 351;

// The display thread reads the flag before drawing a column; the user
// interface sets it around a full repaint.
void SetPainting(MeterEngine* e, uint32_t on) {
    __atomic_store_n(&e->frame.historyGraphWord, on, __ATOMIC_SEQ_CST);
}
uint32_t Painting(MeterEngine* e) {
    return __atomic_load_n(&e->frame.historyGraphWord, __ATOMIC_SEQ_CST);
}

// The store's counts and buffers as one consistent copy: the display thread
// appends under the lock, so a copy taken under it sees whole slots only.
struct StoreView {
    HistoryStore store;
    int32_t zoom;
    float sampleRate;
};

StoreView TakeStoreView(MeterEngine* e) {
    StoreView v;
    SysLockEnter(&e->lock);
    v.store = e->frame.history;
    v.zoom = HistoryGetZoom(e->config.params.zoom);
    SysLockLeave(&e->lock);
    v.sampleRate = e->sampleRate;
    return v;
}

void Line(HDC dc, HPEN pen, int x0, int y0, int x1, int y1) {
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
    SelectObject(dc, old);
}

void Box(HDC dc, HGDIOBJ pen, HGDIOBJ brush, int left, int top, int right, int bottom) {
    PenAndBrush selection(dc, pen, brush);
    Rectangle(dc, left, top, right, bottom);
}

float ChannelValue(BarQuantity q, float peak, float power, float average) {
    return q == kBarPeak ? peak : q == kBarRms ? power : average;
}

void DrawLevelGraph(const HistoryStyle* s, HDC dc, float peak, float power, float average, int x,
                    int width, int32_t h, int bottom) {
    const float value = ChannelValue(s->quantity, peak, power, average);
    const BarPixels bar = ComputeBarPixels(&s->mapping, LevelDb(value, s->quantity, s->offset),
                                           LevelDb(peak, kBarPeak, s->offset), s->dbHead, s->dbMax);
    DrawMeterBar(dc, s->settings, &bar, h, x, width, bottom, s->quantity != kBarPeak);
}

void DrawMarks(HDC dc, int x, int top, int bottom, int runEnd, int cue) {
    if (runEnd) Line(dc, PalettePen(13), x, top, x, bottom);
    if (cue) Line(dc, PalettePen(1), x, top, x, bottom);
}

// ---- The ruler ----

// The time the ruler labels the column with, or -1 for none: a multiple of
// the label interval that falls after its oldest slot and at or before its
// newest.
int64_t ColumnLabel(const StoreView& view, const HistoryColumn& column, int64_t interval,
                    double rate) {
    const HistoryStore* store = &view.store;
    const int64_t newestPosition = store->history[column.newest - 1].samplePosition;
    const int64_t labelTime = HistorySeconds(newestPosition, view.sampleRate) / interval * interval;
    const double newest = static_cast<double>(newestPosition) / rate;
    const double stop = static_cast<double>(store->history[column.stop - 1].samplePosition) / rate;
    return newest >= static_cast<double>(labelTime) && stop < static_cast<double>(labelTime)
               ? labelTime
               : -1;
}

struct RulerClips {
    HRGN ruler;
    HRGN events;
};

void RulerLabel(HDC dc, int x, int64_t labelSeconds, int32_t zoom, int* lastLabelX) {
    const int d = *lastLabelX - x;
    const bool full = zoom < 9 ? d > 80 : d >= 61;
    if (!full) {
        Line(dc, PalettePen(14), x, 17, x, 18);
        return;
    }
    char text[64];
    FormatPattern(text, sizeof text, zoom >= 9 ? "%VmU:00.00.h" : "%VmU:00.00.00h",
                  static_cast<int>(labelSeconds));
    Line(dc, PalettePen(14), x, 10, x, 18);
    Line(dc, PalettePen(14), x, 10, x - 5, 10);
    DrawTextAt(dc, kAttrLabel, zoom < 9 ? x - 66 : x - 53, 2, text);
    *lastLabelX = x;
}

void RunEndMark(HDC dc, const RulerClips* clips, int x, int32_t h, int64_t seconds) {
    char text[64];
    FormatPattern(text, sizeof text, "%VmU:#.00.00h", static_cast<int>(seconds));
    SelectClipRgn(dc, clips->events);
    Line(dc, PalettePen(14), x, h + 30, x, h + 24);
    Line(dc, PalettePen(14), x, h + 30, x - 5, h + 30);
    Box(dc, PalettePen(11), PaletteBrush(10), x - 61, h + 22, x - 4, h + 39);
    DrawTextAt(dc, kAttrLabel, x - 58, h + 22, text);
    SelectClipRgn(dc, clips->ruler);
}

void CueMark(HDC dc, const RulerClips* clips, int x, int32_t h, const CueRecord* cue,
             int64_t seconds) {
    char text[64];
    FormatPattern(text, sizeof text, "%VmU:#.00.00h", static_cast<int>(seconds));
    SelectClipRgn(dc, clips->events);
    Box(dc, PalettePen(0), PaletteBrush(1), x - 61, h + 22, x + 2, h + 39);
    DrawTextAt(dc, kAttrLabel, x - 58, h + 22, text);
    SetBkMode(dc, OPAQUE);
    char name[kCueNameSize];
    lstrcpynA(name, cue->name, sizeof name);
    DrawTextAt(dc, kAttrCueName, x + 3, h + 24, name);
    SetBkMode(dc, TRANSPARENT);
    SelectClipRgn(dc, clips->ruler);
}

} // namespace

HistoryStyle HistoryStyleFromConfig(MeterEngine* e, int32_t h) {
    MeterConfig c;
    MeterGetConfig(e, &c);
    const MeterSettings* settings = GetMeterSettings();
    HistoryStyle s{};
    s.quantity = SelectedQuantity(c.params.rmsSelect, c.params.peakSelect);
    s.mapping = MakeLevelMapping(c.params.minDb, c.params.maxDb, h);
    s.dbHead = settings->values.dbHead;
    s.dbMax = settings->values.dbMax;
    s.offset = c.params.offsetOn ? settings->values.displayDbOffset : 0.0f;
    s.channels = e->channels;
    s.settings = settings;
    return s;
}

void DrawHistoryColumn(const HistoryStyle* s, HDC dc, const HistoryColumnValues* v, int x,
                       int width, int32_t h, int runEnd, int cue) {
    DrawLevelGraph(s, dc, v->peakL, v->powerL, v->averageL, x, width, h, LeftGraphBottom(h));
    DrawMarks(dc, x, 20, h + 20, runEnd, cue);
    if (s->channels < 2) return;
    DrawLevelGraph(s, dc, v->peakR, v->powerR, v->averageR, x, width, h, RightGraphBottom(h));
    DrawMarks(dc, x, h + 60, 2 * h + 60, runEnd, cue);
    const int R = CorrelationRow(h);
    const int pos = CorrelationPixels(v->correlation, h);
    FillNoOutline(dc, PaletteBrush(0), x, R + 10, x + width, R - h - 10);
    FillNoOutline(dc, PaletteBrush(pos < h / 2 ? 1 : 8), x, R - pos - 5, x + width, R - pos + 6);
    Line(dc, PalettePen(15), x, R - pos, x + width - 1, R - pos);
    if (runEnd) Line(dc, PalettePen(13), x, R - h - 10, x, R + 10);
    if (cue) Line(dc, PalettePen(1), x, R - h, x, R);
}

namespace {

// The boxes, the scales and their grid lines: everything under the columns.
// Without the scales (withScales false) only their grid lines: the ticks
// drawn 2 pixels wide have no labels, and the grid lines are the same.
void DrawHistoryBackground(MeterEngine* e, HDC dc, int32_t g, int32_t h, bool withScales) {
    Box(dc, PalettePen(0), PaletteBrush(0), 32, 20, g - 1, h + 20);
    Box(dc, PalettePen(0), PaletteBrush(0), 32, h + 60, g - 1, 2 * h + 60);
    Box(dc, PalettePen(0), PaletteBrush(0), 32, 2 * h + 100, g - 1, 3 * h + 100);
    Box(dc, PalettePen(11), PaletteBrush(11), 32, 2, g - 1, 20);
    Box(dc, PalettePen(11), PaletteBrush(11), 32, h + 22, g - 1, h + 40);
    Box(dc, PalettePen(11), PaletteBrush(11), 30, h + 42, g - 1, h + 60);
    Box(dc, PalettePen(11), PaletteBrush(11), 32, 2 * h + 62, g - 1, 2 * h + 80);
    if (withScales) {
        DrawScaleBox(dc, 0, 2, 32, h + 40);
        DrawScaleBox(dc, 0, h + 40, 32, 2 * h + 78);
        DrawScaleBox(dc, 0, 2 * h + 80, 32, 3 * h + 118);
    }
    const int x0 = withScales ? 0 : 28;
    MeterConfig c;
    MeterGetConfig(e, &c);
    const int grid = g - 32;
    for (int bottom : {LeftGraphBottom(h), RightGraphBottom(h)}) {
        if (c.params.linearBallistics)
            DrawAmplitudeScale(dc, c.params.minDb, c.params.maxDb, h, x0, 30, bottom, grid);
        else
            DrawDbScale(dc, c.params.minDb, c.params.maxDb, h, x0, 30, bottom, grid);
    }
    DrawCorrelationScale(dc, h, x0, 30, CorrelationRow(h), grid);
}

} // namespace

int32_t PaintHistory(MeterEngine* e, HDC dc, int32_t g, int32_t h) {
    if (g <= 0) return -1;
    SetPainting(e, 1);
    const COLORREF oldColour = SetTextColor(dc, PaletteColor(14));
    HGDIOBJ oldFont = SelectObject(dc, ToolkitFont(4));
    DrawHistoryBackground(e, dc, g, h, true);

    const HistoryStyle style = HistoryStyleFromConfig(e, h);
    const StoreView view = TakeStoreView(e);
    HistoryWalk walk;
    HistoryColumn column;
    if (HistoryWalkBegin(&walk, &view.store, view.zoom)) {
        for (int x = g - 3, remaining = g - 34; remaining >= 1; x -= 2, remaining -= 2) {
            if (!HistoryWalkNext(&walk, &column)) break;
            DrawHistoryColumn(&style, dc, &column.values, x, 2, h, column.runEnd, column.cue != 0);
        }
    }
    DrawTimeRulerAndEvents(e, dc, g, h);
    SelectObject(dc, oldFont);
    SetTextColor(dc, oldColour);
    SetPainting(e, 0);
    return view.store.writeIndex;
}

void NotePaintedHistory(HistoryViewState* v, int32_t drawn, const RECT* clip, int32_t g, int32_t h,
                        int32_t bottom) {
    const bool whole =
        clip->left <= 0 && clip->top <= 0 && clip->right >= g && clip->bottom >= bottom;
    const uint32_t size = HistoryPictureSize(g, h);
    if (drawn >= 0 &&
        (whole || (v->pictureSlots.load() == drawn && v->pictureSize.load() == size))) {
        v->pictureSize.store(size);
        v->pictureSlots.store(drawn);
    } else {
        v->pictureSlots.store(kHistoryPictureUnknown);
    }
}

void DrawTimeRulerAndEvents(MeterEngine* e, HDC dc, int32_t g, int32_t h) {
    const StoreView view = TakeStoreView(e);
    const HistoryStore* store = &view.store;
    if (store->viewPos < 1 || g <= 33) return;
    RulerClips clips = {CreateRectRgn(33, 2, g - 1, 19), CreateRectRgn(33, h + 22, g - 1, h + 40)};
    if (!clips.ruler || !clips.events) {
        if (clips.ruler) DeleteObject(clips.ruler);
        if (clips.events) DeleteObject(clips.events);
        return;
    }
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldBack = SetBkColor(dc, PaletteColor(11));
    Box(dc, GetStockObject(NULL_PEN), PaletteBrush(11), 33, 2, g, 19);
    Box(dc, GetStockObject(NULL_PEN), PaletteBrush(11), 33, h + 22, g, h + 40);
    SelectClipRgn(dc, clips.ruler);

    const int64_t L = RulerLabelSeconds(view.zoom);
    const double rate = static_cast<double>(static_cast<int64_t>(view.sampleRate));
    int lastLabelX = 200000;
    HistoryWalk walk;
    HistoryColumn column;
    if (rate >= 1.0 && HistoryWalkBegin(&walk, store, view.zoom)) {
        for (int x = g - 3; x - 31 > 0; x -= 2) {
            if (!HistoryWalkNext(&walk, &column)) break;
            const int64_t label = ColumnLabel(view, column, L, rate);
            if (label >= 0) RulerLabel(dc, x, label, view.zoom, &lastLabelX);
            if (column.cue) {
                const CueRecord* cue = CueAt(store, column.cue);
                if (cue)
                    CueMark(dc, &clips, x, h, cue,
                            HistorySeconds(cue->samplePosition, view.sampleRate));
            } else if (column.runEndMark) {
                RunEndMark(dc, &clips, x, h,
                           HistorySeconds(column.runEndPosition, view.sampleRate));
            }
        }
    }
    SelectClipRgn(dc, nullptr);
    DeleteObject(clips.ruler);
    DeleteObject(clips.events);
    Box(dc, PalettePen(0), PaletteBrush(0), g - 1, 2, g, 20);
    Box(dc, PalettePen(0), PaletteBrush(0), g - 1, h + 22, g, h + 40);
    SetBkColor(dc, oldBack);
    SetBkMode(dc, oldMode);
}

void UpdateHistoryThumb(MeterEngine* e, HWND window) {
    const StoreView view = TakeStoreView(e);
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    const int position = HistoryThumbPosition(view.store.viewPos, view.store.recordCount);
    // While the history follows its end the thumb stays where it is: Wine
    // would draw the scroll bar again, frame after frame, all the same.
    if (GetScrollInfo(window, SB_HORZ, &info) && info.nPos == position) return;
    info.fMask = SIF_POS;
    info.nPos = position;
    SetScrollInfo(window, SB_HORZ, &info, TRUE);
}

void SetHistoryScrollRange(MeterEngine* e, HWND window) {
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE;
    info.nMin = 0;
    info.nMax = kHistoryThumbRange;
    SetScrollInfo(window, SB_HORZ, &info, FALSE);
    UpdateHistoryThumb(e, window);
}

namespace {

bool ClientLayout(MeterEngine* e, HWND window, RECT* client, MeterLayout* layout) {
    if (!GetClientRect(window, client)) return false;
    *layout =
        MeterWindowLayout(client->left, client->top, client->right, client->bottom, e->channels);
    return layout->usable != 0;
}

} // namespace

int ScrollHistory(MeterEngine* e, HWND window, uint32_t code, int32_t thumb, int64_t param) {
    RECT client;
    MeterLayout layout;
    const StoreView view = TakeStoreView(e);
    if (view.store.recordCount < 2 || !ClientLayout(e, window, &client, &layout)) return 0;
    const int32_t g = layout.historyWidth;
    const int32_t old = view.store.viewPos;
    const int32_t pos = HistoryScrollTarget(code, thumb, param, old, view.store.recordCount,
                                            view.zoom, HistoryPageColumns(g));
    if (pos == old) return 0;
    if (HistoryViewState* v = MeterWindowHistoryView(window)) ForgetHistoryPicture(v);
    SysLockEnter(&e->lock);
    e->frame.history.viewPos = pos;
    e->frame.history.viewEnd = pos;
    SysLockLeave(&e->lock);
    UpdateHistoryThumb(e, window);
    if (g <= 34) return 1;
    const int64_t shift = (int64_t(old) - pos) / view.zoom * 2;
    const int dx = shift > g ? g : shift < -g ? -g : static_cast<int>(shift);
    RECT area = {32, 20, g - 2, client.bottom - 2};
    ScrollWindowEx(window, dx, 0, &area, &area, nullptr, nullptr, SW_INVALIDATE);
    HDC dc = GetDC(window);
    if (dc) {
        DrawTimeRulerAndEvents(e, dc, g, layout.graphHeight);
        ReleaseDC(window, dc);
    }
    return 1;
}

int HistoryMouseDown(MeterEngine* e, HistoryViewState* v, HWND window, WPARAM keys, int x, int y) {
    RECT client;
    MeterLayout layout;
    if (!ClientLayout(e, window, &client, &layout)) return 0;
    const int32_t g = layout.historyWidth;
    if (g <= 0 || x < 32 || x > g - 1) return 0;
    if (keys & MK_CONTROL) return AddCueAtPoint(e, window, keys, POINT{x, y});
    if (!v->dragging) {
        v->previousCapture = SetCapture(window);
        v->dragging = 1;
        v->dragX = x;
    }
    return 1;
}

int HistoryMouseMove(MeterEngine* e, HistoryViewState* v, HWND window, int x, int y) {
    (void)y;
    if (v->dragging) {
        const int d = (x - v->dragX) / 2;
        // Only the pixels turned into columns are used up, so a slow drag
        // of one pixel per message still scrolls every second pixel.
        v->dragX += 2 * d;
        if (d != 0) ScrollHistory(e, window, kScrollRelative, 0, -d);
        return 1;
    }
    char text[64];
    RECT client;
    if (!HistoryReadout(e, window, x, text, sizeof text) || !GetClientRect(window, &client))
        return 0;
    HDC dc = GetWindowDC(window);
    if (!dc) return 0;
    const int W = client.right;
    DrawBox(dc, kAttrReadoutBox, W - 201, 3, W - 65, 21);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    DrawTextAt(dc, kAttrLabel, W - 199, 4, text);
    SetBkMode(dc, oldMode);
    ReleaseDC(window, dc);
    return 0;
}

int HistoryReadout(MeterEngine* e, HWND window, int x, char* text, size_t size) {
    RECT client;
    MeterLayout layout;
    if (!ClientLayout(e, window, &client, &layout)) return 0;
    const int32_t g = layout.historyWidth;
    if (g <= 0 || x < 32 || x > g - 1 || client.right - client.left < kMinReadoutWidth) return 0;
    const StoreView view = TakeStoreView(e);
    const int64_t idx = view.store.viewPos - int64_t(view.zoom) * HistoryColumnAt(g, x);
    if (idx < 1 || idx > view.store.recordCount || !view.store.history) return 0;
    char clock[64];
    FormatSampleClock(view.store.history[idx - 1].samplePosition,
                      static_cast<int32_t>(view.sampleRate), 25.0f, clock, sizeof clock, 0);
    lstrcpynA(text, clock + 1, static_cast<int>(size)); // without the sign
    return 1;
}

int HistoryMouseUp(HistoryViewState* v) {
    if (!v->dragging) return 0;
    v->dragging = 0;
    ReleaseCapture();
    if (v->previousCapture) SetCapture(v->previousCapture);
    v->previousCapture = nullptr;
    return 1;
}

namespace {

// Whether a cue lies in the columns on screen: its name runs right, over
// the columns that arrive after it, so the event strip is then drawn whole.
bool CueInView(const StoreView& view, int32_t g) {
    const HistoryStore* store = &view.store;
    if (store->cueCount < 1) return false;
    int32_t oldest = store->viewPos - (g - 34) / 2;
    if (oldest < 1) oldest = 1;
    const int64_t from = store->history[oldest - 1].samplePosition;
    for (int32_t k = 1; k <= store->cueCount; ++k) {
        const CueRecord* cue = CueAt(store, k);
        if (cue && cue->samplePosition >= from) return true;
    }
    return false;
}

// Shifts the picture left by the new columns and draws them, with the
// ruler and the event strip. The picture holds the columns of every slot
// but the `added` newest; returns false when the walk found fewer.
bool DrawNewColumns(MeterEngine* e, HDC dc, const StoreView& view, int32_t added, int32_t g,
                    int32_t h, int32_t bottom) {
    HistoryWalk walk;
    if (!HistoryWalkBegin(&walk, &view.store, 1)) return false;
    // The columns' left edge: g - 3 - 2k down to 32 or 33 (the graph's box).
    const int left = (g - 3) % 2 == 0 ? 32 : 33;
    const int shift = 2 * added;
    RECT area = {left, 2, g - 1, bottom - 2};
    ScrollDC(dc, -shift, 0, &area, &area, nullptr, nullptr);
    // The ruler and the event strip start at 33: what scrolled onto 32 goes.
    if (left == 32)
        for (int top : {2, h + 22}) {
            RECT edge = {32, top, 33, top + 18};
            FillRect(dc, &edge, PaletteBrush(11));
        }
    // Under the new columns, what a full repaint draws there first; and under
    // the column that was the newest, whose right pixel the grid lines, which
    // end short of the graph's edge, did not reach then.
    // (Its part of the ruler and the event strip stays as it is.)
    const int redrawn = added + 1;
    const int saved = SaveDC(dc);
    const int previous = g - 1 - 2 * redrawn;
    IntersectClipRect(dc, previous, 0, g - 1, bottom);
    ExcludeClipRect(dc, previous, 2, previous + 2, 20);
    ExcludeClipRect(dc, previous, h + 22, previous + 2, h + 40);
    DrawHistoryBackground(e, dc, g, h, false);
    RestoreDC(dc, saved);
    const HistoryStyle style = HistoryStyleFromConfig(e, h);
    const double rate = static_cast<double>(static_cast<int64_t>(view.sampleRate));
    const int64_t interval = RulerLabelSeconds(1);
    bool rulerWhole = rate < 1.0 || CueInView(view, g);
    HistoryColumn column;
    for (int32_t k = 0; k < redrawn; ++k) {
        if (!HistoryWalkNext(&walk, &column)) {
            if (k < added) return false;
            break;
        }
        DrawHistoryColumn(&style, dc, &column.values, g - 3 - 2 * k, 2, h, column.runEnd,
                          column.cue != 0);
        if (k == added) break;
        // A new label can shorten the one before it; marks draw boxes leftward.
        rulerWhole = rulerWhole || column.cue || column.runEndMark || column.stop < 1 ||
                     ColumnLabel(view, column, interval, rate) >= 0;
    }
    if (rulerWhole) DrawTimeRulerAndEvents(e, dc, g, h);
    return true;
}

} // namespace

void LiveHistoryUpdate(MeterEngine* e, HistoryViewState* v, DisplayFrame* f, HWND window, HDC dc,
                       const MeterLayout* layout, const RECT* client) {
    if (f->recordOn != 1) {
        // The run's end is marked on a column already drawn.
        v->pictureSlots.store(kHistoryPictureUnknown);
        return;
    }
    const int32_t g = layout->historyWidth;
    const int32_t h = layout->graphHeight;
    const StoreView view = TakeStoreView(e);
    const bool live = view.zoom == 1 && view.store.viewPos == view.store.writeIndex;
    if (g > 34 && !Painting(e) && live) {
        const int32_t shown = v->pictureSlots.load();
        const int32_t added = view.store.writeIndex - shown;
        const bool known = shown >= 0 && v->pictureSize.load() == HistoryPictureSize(g, h);
        if (known && added > 0 && 2 * added <= g - 36 &&
            DrawNewColumns(e, dc, view, added, g, h, client->bottom)) {
            v->pictureSlots.store(view.store.writeIndex);
        } else if (shown != kHistoryPictureAsked && (!known || added != 0)) {
            // Asked once; the paint says what it drew.
            v->pictureSlots.store(kHistoryPictureAsked);
            RECT graph = {0, 0, g, client->bottom};
            InvalidateRect(window, &graph, FALSE);
        }
    } else if (!live) {
        v->pictureSlots.store(kHistoryPictureUnknown);
    }
    // Posted, never sent: the user-interface thread may be waiting for this
    // thread (Stop, engine destruction) and could not answer a sent message.
    // One at a time: the window takes the newest position when it gets to
    // it, and a post per frame would crowd out its other messages whenever
    // it falls behind the frames.
    if (v->thumbPosted.exchange(1) == 0 && !PostMessageA(window, kMeterMsgUpdateThumb, 0, 0))
        v->thumbPosted.store(0);
}
