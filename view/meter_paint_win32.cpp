#include "view/meter_paint.h"

#include <algorithm>
#include <cstring>

#include "display/bargraph.h"
#include "display/meter_objects.h"
#include "display/meter_settings.h"
#include "meter/meter_engine.h"
#include "toolkit/toolkit.h"
#include "view/history_graph.h"
#include "view/meter_window_internal.h"

namespace {

void PaintNotEnough(HDC dc) {
    const COLORREF old = SetTextColor(dc, PaletteColor(15));
    TextOutA(dc, 2, 2, "Not Enough", 10);
    TextOutA(dc, 2, 12, "Place", 5);
    SetTextColor(dc, old);
}

void PaintChannelColumn(HDC dc, const MeterConfig* c, const MeterLayout* l, int top,
                        const char* header, const char* label) {
    const int g = l->historyWidth;
    const int h = l->graphHeight;
    const int x0 = g + 30;
    const int right = x0 + l->meterWidth - 2;
    DrawLabelBox(dc, x0, top, right, top + 18, header);
    DrawLabelBox(dc, x0, top + h + 20, right, top + h + 38, label);
    DrawScaleBox(dc, g, top, g + 30, top + h + 38);
    const int bottom = top + h + 18;
    if (c->params.linearBallistics)
        DrawAmplitudeScale(dc, c->params.minDb, c->params.maxDb, h, g, g + 30, bottom, 0);
    else
        DrawDbScale(dc, c->params.minDb, c->params.maxDb, h, g, g + 30, bottom, 0);
}

} // namespace

void PaintMeterColumn(MeterEngine* e, HDC dc, HWND window) {
    RECT client;
    if (!GetClientRect(window, &client)) return;
    HGDIOBJ oldFont = SelectObject(dc, ToolkitFont(5));
    const MeterLayout l =
        MeterWindowLayout(client.left, client.top, client.right, client.bottom, e->channels);
    if (!l.usable) {
        PaintNotEnough(dc);
        SelectObject(dc, oldFont);
        return;
    }
    MeterConfig c;
    MeterGetConfig(e, &c);
    SysLockEnter(&e->lock);
    const uint32_t modeWord = e->modeWord;
    SysLockLeave(&e->lock);
    const char* header = QuantityHeader(SelectedQuantity(c.params.rmsSelect, c.params.peakSelect));
    const int g = l.historyWidth;
    const int h = l.graphHeight;
    if (modeWord & kMeterModeBars) {
        PaintChannelColumn(dc, &c, &l, 2, header, "Left");
        if (e->channels == 2) PaintChannelColumn(dc, &c, &l, h + 42, header, "Right");
    }
    if ((modeWord & kMeterModeCorrelator) && e->channels >= 2) {
        DrawScaleBox(dc, g, 2 * h + 82, g + 30, 3 * h + 120);
        DrawCorrelationScale(dc, h, g, g + 30, CorrelationRow(h), 0);
        PenAndBrush selection(dc, PalettePen(0), PaletteBrush(9));
        Rectangle(dc, g + 30, 2 * h + 82, g + l.meterWidth + 29, 3 * h + 120);
    }
    const int32_t drawn = PaintHistory(e, dc, g, h);
    if (HistoryViewState* view = MeterWindowHistoryView(window)) {
        RECT clip;
        if (GetClipBox(dc, &clip) == ERROR) clip = RECT{};
        NotePaintedHistory(view, drawn, &clip, g, h, client.bottom);
    }
    SelectObject(dc, oldFont);
}

namespace {

// Draws the bar again, clipped to the rows from y0 to y1 (window y, both
// included): there it draws what a whole drawing would, and nothing elsewhere.
void DrawBarRows(HDC dc, const MeterSettings* s, const BarPixels* bar, int32_t h, int x0, int m,
                 int B, int marker, int y0, int y1) {
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, x0, y0, x0 + m, y1 + 1);
    DrawMeterBar(dc, s, bar, h, x0, m, B, marker);
    RestoreDC(dc, saved);
}

// Draws one bar: whole when it was not drawn with the same geometry, zones
// and tools before; otherwise only the rows between its old and new top
// and around its old and new peak marker.
void DrawBarChange(HDC dc, const MeterSettings* s, const BarPixels& bar, int32_t h, int x0, int m,
                   int B, int marker, BarShown* shown) {
    const HGDIOBJ tools[5] = {
        MeterSettingsBrush(s, kBrushAverageZone), MeterSettingsBrush(s, kBrushNominalZone),
        MeterSettingsBrush(s, kBrushMaxZone), MeterSettingsPen(s, kPenMaxBorder),
        MeterSettingsPen(s, kPenMaxColor)};
    const BarPixels& old = shown->bar;
    const bool same = shown->valid && shown->x0 == x0 && shown->bottom == B && shown->height == h &&
                      shown->width == m && shown->marker == marker && old.head == bar.head &&
                      old.max == bar.max && old.zero == bar.zero &&
                      std::memcmp(shown->tools, tools, sizeof tools) == 0;
    if (!same) {
        DrawMeterBar(dc, s, &bar, h, x0, m, B, marker);
    } else {
        // Two pixels of margin: the zones' and the marker's edges.
        if (bar.value != old.value)
            DrawBarRows(dc, s, &bar, h, x0, m, B, marker, B - std::max(bar.value, old.value) - 2,
                        B - std::min(bar.value, old.value) + 2);
        if (marker && bar.peak != old.peak)
            DrawBarRows(dc, s, &bar, h, x0, m, B, marker, B - std::max(bar.peak, old.peak) - 2,
                        B - std::min(bar.peak, old.peak) + 5);
    }
    *shown = BarShown{1, bar, x0, B, h, m, marker, {}};
    std::memcpy(shown->tools, tools, sizeof tools);
}

} // namespace

void DrawBars(MeterEngine* e, DisplayFrame* f, HDC dc, const MeterLayout* l, LiveBars* shown) {
    const int g = l->historyWidth;
    const int h = l->graphHeight;
    const int x0 = g + 30;
    if (f->modeWord & kMeterModeBars) {
        const MeterSettings* settings = GetMeterSettings();
        const BarQuantity q = SelectedQuantity(f->rmsSelect, f->peakSelect);
        const LevelMapping mapping = MakeLevelMapping(f->minDb, f->maxDb, h);
        struct Channel {
            float peak, power, average;
            int bottom;
        };
        const Channel channels[2] = {{f->peakL, f->powerL, f->averageL, LeftGraphBottom(h)},
                                     {f->peakR, f->powerR, f->averageR, RightGraphBottom(h)}};
        for (uint32_t i = 0; i < 2 && i < e->channels; ++i) {
            const Channel& ch = channels[i];
            const float value = q == kBarPeak ? ch.peak : q == kBarRms ? ch.power : ch.average;
            const BarPixels bar = ComputeBarPixels(&mapping, LevelDb(value, q, f->dbOffset),
                                                   LevelDb(ch.peak, kBarPeak, f->dbOffset),
                                                   settings->values.dbHead, settings->values.dbMax);
            if (shown)
                DrawBarChange(dc, settings, bar, h, x0, l->meterWidth, ch.bottom, q != kBarPeak,
                              &shown->channel[i]);
            else
                DrawMeterBar(dc, settings, &bar, h, x0, l->meterWidth, ch.bottom, q != kBarPeak);
        }
    }
    if ((f->modeWord & kMeterModeCorrelator) && e->channels >= 2)
        DrawCorrelatorMarker(dc, f->correlation, h, x0, l->meterWidth, &f->correlationMarker);
}

namespace {

// The count is shown only while its switch is on; the window reads the
// switches and the count itself when told.
void ReportFrameLoss(DisplayFrame* f, HWND window) {
    const uint32_t shown = f->notifyFrameLoss ? f->lostFrames : 0;
    if (shown == f->lostFramesShown) return;
    f->lostFramesShown = shown;
    PostMessageA(window, kMeterMsgFrameLoss, 0, 0);
}

} // namespace

void MeterDrawFrame(MeterEngine* e, DisplayFrame* f) {
    HWND window = static_cast<HWND>(f->window);
    RECT client;
    if (!window || !GetClientRect(window, &client)) return;
    ReportFrameLoss(f, window);
    const MeterLayout layout =
        MeterWindowLayout(client.left, client.top, client.right, client.bottom, e->channels);
    if (!layout.usable) return;
    HDC dc = GetDC(window);
    if (!dc) return;
    LiveBars* shown = MeterWindowLiveBars(window);
    if (shown) {
        const uint32_t repaints = shown->repaints.load();
        if (repaints != shown->repaintsSeen) {
            shown->repaintsSeen = repaints;
            shown->channel[0].valid = shown->channel[1].valid = 0;
        }
    }
    DrawBars(e, f, dc, &layout, shown);
    if (HistoryViewState* view = MeterWindowHistoryView(window))
        LiveHistoryUpdate(e, view, f, window, dc, &layout, &client);
    ReleaseDC(window, dc);
}
