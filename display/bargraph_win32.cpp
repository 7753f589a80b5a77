#include "display/bargraph.h"

#include "display/meter_objects.h"
#include "toolkit/toolkit.h"

void FillNoOutline(HDC dc, HBRUSH brush, int left, int top, int right, int bottom) {
    PenAndBrush selection(dc, GetStockObject(NULL_PEN), brush);
    Rectangle(dc, left, top, right, bottom);
}

void DrawMeterBar(HDC dc, const MeterSettings* settings, const BarPixels* bar, int32_t h, int x0,
                  int m, int B, int showPeakMarker) {
    const int v = bar->value;
    int head = bar->head;
    int max = bar->max;
    const HBRUSH zone[3] = {MeterSettingsBrush(settings, kBrushAverageZone),
                            MeterSettingsBrush(settings, kBrushNominalZone),
                            MeterSettingsBrush(settings, kBrushMaxZone)};
    if (v > 0) {
        if (v >= head) {
            if (head > 0)
                FillNoOutline(dc, zone[0], x0, B, x0 + m, B - head);
            else
                head = 0;
            if (v >= max) {
                if (max > 0)
                    FillNoOutline(dc, zone[1], x0, B - head + 1, x0 + m, B - max);
                else
                    max = 0;
                FillNoOutline(dc, zone[2], x0, B - max + 1, x0 + m, B - v);
            }
            if (v < max) FillNoOutline(dc, zone[1], x0, B - head + 1, x0 + m, B - v);
        }
        if (v < head) FillNoOutline(dc, zone[0], x0, B, x0 + m, B - v);
    }
    const int shown = v > 0 ? v : 0;
    FillNoOutline(dc, PaletteBrush(0), x0, B - h, x0 + m, B - shown + 1);
    const int p = bar->peak;
    if (!showPeakMarker || p < 4 || p >= h) return;
    const HPEN pen = MeterSettingsPen(settings, p > bar->zero ? kPenMaxBorder : kPenMaxColor);
    PenAndBrush selection(dc, pen, PaletteBrush(0));
    Rectangle(dc, x0, B - p, x0 + m - 1, B - p + 3);
}

void DrawCorrelatorMarker(HDC dc, float c, int32_t h, int x0, int m, int32_t* marker) {
    const int R = 3 * h + 100;
    const int old = *marker;
    if (old >= 0 && old <= h)
        FillNoOutline(dc, PaletteBrush(9), x0, R - old - 5, x0 + m - 2, R - old + 6);
    const int pos = CorrelationPixels(c, h);
    const int centre = h / 2;
    FillNoOutline(dc, PaletteBrush(pos < centre ? 1 : 8), x0, R - pos - 5, x0 + m - 2, R - pos + 6);
    HGDIOBJ oldPen = SelectObject(dc, PalettePen(15));
    MoveToEx(dc, x0, R - pos, nullptr);
    LineTo(dc, x0 + m - 3, R - pos);
    SelectObject(dc, oldPen);
    *marker = pos;
}

void DrawScaleBox(HDC dc, int left, int top, int right, int bottom) {
    {
        PenAndBrush selection(dc, PalettePen(0), PaletteBrush(10));
        Rectangle(dc, left, top, right, bottom);
    }
    HGDIOBJ oldPen = SelectObject(dc, PalettePen(12));
    MoveToEx(dc, left, bottom, nullptr);
    LineTo(dc, left, top);
    LineTo(dc, right, top);
    SelectObject(dc, oldPen);
}

void DrawLabelBox(HDC dc, int left, int top, int right, int bottom, const char* text) {
    {
        PenAndBrush selection(dc, PalettePen(11), PaletteBrush(11));
        Rectangle(dc, left, top, right, bottom);
    }
    HGDIOBJ oldFont = SelectObject(dc, ToolkitFont(4));
    const COLORREF oldColour = SetTextColor(dc, PaletteColor(14));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    RECT box = {left, top, right, bottom};
    DrawTextA(dc, text, -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColour);
    SelectObject(dc, oldFont);
}
