#include "view/meter_paint.h"

#include "display/bargraph.h"
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
    PaintHistory(e, dc, g, h);
    SelectObject(dc, oldFont);
}

void DrawBars(MeterEngine* e, DisplayFrame* f, HDC dc, const MeterLayout* l) {
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
    DrawBars(e, f, dc, &layout);
    if (HistoryViewState* view = MeterWindowHistoryView(window))
        LiveHistoryUpdate(e, view, f, window, dc, &layout, &client);
    ReleaseDC(window, dc);
}
