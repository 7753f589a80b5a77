#include "display/bargraph.h"

#include <cmath>
#include <cstdio>

#include "meter/power_of_ten.h"
#include "toolkit/toolkit.h"

namespace {

struct TextStyle {
    uint16_t colour;
    uint16_t font;
};

// Draws text in a rectangle with the given format, restoring the DC after.
void LabelIn(HDC dc, TextStyle style, RECT box, UINT format, const char* text) {
    HGDIOBJ oldFont = SelectObject(dc, ToolkitFont(style.font));
    const COLORREF oldColour = SetTextColor(dc, PaletteColor(style.colour));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, text, -1, &box, format | DT_SINGLELINE | DT_NOPREFIX);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColour);
    SelectObject(dc, oldFont);
}

void Line(HDC dc, int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

void GridLine(HDC dc, int x1, int y, int gridLength) {
    if (gridLength > 2) Line(dc, x1 + 2, y, x1 + gridLength, y);
}

// The labelled end of a scale: a major mark with the label below the line
// (the bottom, minDb) or above it (the top, maxDb).
void EndLabel(HDC dc, int x0, int x1, int y, float value, bool above, int gridLength) {
    HGDIOBJ oldPen = SelectObject(dc, PalettePen(14));
    Line(dc, x0, y - 1, x1, y - 1);
    Line(dc, x0, y, x1, y);
    GridLine(dc, x1, y, gridLength);
    SelectObject(dc, oldPen);
    if (x1 - x0 <= 20) return;
    char text[32];
    std::snprintf(text, sizeof text, "%0.1f", value);
    RECT box = {x0, above ? y - 15 : y, x1, above ? y : y + 18};
    LabelIn(dc, {15, 4}, box, DT_CENTER | DT_VCENTER, text);
}

float Amplitude(float db) {
    return PowerOfTen(db / 20.0f);
}

} // namespace

void ScaleTick(HDC dc, int x0, int x1, int y, float value, ScaleTickKind kind, int gridLength) {
    const int width = x1 - x0;
    if (width < 2) return;
    HGDIOBJ oldPen = GetCurrentObject(dc, OBJ_PEN);
    TextStyle style = {15, 4};
    bool label = false;
    switch (kind) {
    case kTickMinor:
        SelectObject(dc, PalettePen(13));
        Line(dc, x0, y, x0 + 1, y);
        if (width > 5) Line(dc, x1 - 1, y, x1, y);
        break;
    case kTickLine:
        Line(dc, x0, y, x1, y);
        style = {12, 2};
        label = width > 16;
        break;
    case kTickHalf:
        SelectObject(dc, PalettePen(13));
        Line(dc, x0, y, x0 + 5, y);
        Line(dc, x1 - 5, y, x1, y);
        style = {13, 3};
        label = width > 18;
        break;
    case kTickMajor:
        SelectObject(dc, PalettePen(14));
        Line(dc, x0, y - 1, x1, y - 1);
        Line(dc, x0, y, x1, y);
        label = width >= 20;
        break;
    }
    GridLine(dc, x1, y, gridLength);
    SelectObject(dc, oldPen);
    if (!label) return;
    char text[32];
    std::snprintf(text, sizeof text, "%0.1f", value);
    LabelIn(dc, style, RECT{x0, y, x1, y + 18}, DT_CENTER | DT_VCENTER, text);
}

void DrawDbScale(HDC dc, float minDb, float maxDb, int32_t h, int x0, int x1, int bottom,
                 int gridLength) {
    ScaleTickSpec ticks[kMaxScaleTicks];
    const int count = ListDbScaleTicks(minDb, maxDb, h, ticks, kMaxScaleTicks);
    for (int i = 0; i < count; ++i)
        ScaleTick(dc, x0, x1, bottom - ticks[i].offset, ticks[i].value, ticks[i].kind, gridLength);
    EndLabel(dc, x0, x1, bottom, minDb, false, gridLength);
    EndLabel(dc, x0, x1, bottom - h + 1, maxDb, true, gridLength);
}

void DrawAmplitudeScale(HDC dc, float minDb, float maxDb, int32_t h, int x0, int x1, int bottom,
                        int gridLength) {
    const float aMin = Amplitude(minDb);
    const float aMax = Amplitude(maxDb);
    if (!(aMax > aMin) || h < 1) return;
    const float s = static_cast<float>(h) / (aMax - aMin);
    auto offset = [&](float a) { return static_cast<int>((a - aMin) * s); };
    // Tenths of full scale as blocks, red above full scale.
    float u = std::trunc(aMin * 10.0f) * 0.1f;
    int y0 = offset(u) > 0 ? offset(u) : 0;
    for (int guard = 0; u < aMax && guard < 10000; ++guard) {
        u += 0.1f;
        int y = offset(u);
        if (y > h) y = h;
        HBRUSH brush = PaletteBrush(u > 1.05f ? 1 : 7);
        FillNoOutline(dc, brush, x1 - 5, bottom - y + 1, x1 - 1, bottom - y0);
        FillNoOutline(dc, brush, x0 + (x1 - x0) / 2, bottom - y + (y - y0) / 2, x1 - 1,
                      bottom - y0);
        y0 = y;
    }
    int last = -1000;
    for (float db = minDb; db <= maxDb; db += 0.2f) {
        const int y = offset(Amplitude(db));
        if (y > last + 3 && y > 0 && y < h) {
            ScaleTick(dc, x0, x1, bottom - y, db, kTickMinor, 0);
            last = y;
        }
    }
    static const float kLabels[] = {12, 6, 3, 2, 1, 0, -3, -5, -7, -10, -20};
    last = h;
    for (float db : kLabels) {
        const int y = offset(Amplitude(db));
        if (y < last - 20 && y > 0 && y < h) {
            ScaleTick(dc, x0, x1, bottom - y, db, kTickMajor, gridLength);
            last = y;
        }
    }
    EndLabel(dc, x0, x1, bottom, minDb, false, gridLength);
    EndLabel(dc, x0, x1, bottom - h + 1, maxDb, true, gridLength);
}

void DrawCorrelationScale(HDC dc, int32_t h, int x0, int x1, int bottom, int gridLength) {
    if (x1 - x0 < 2) return;
    ScaleTickSpec ticks[kMaxScaleTicks];
    const int count = ListCorrelationTicks(h, ticks, kMaxScaleTicks);
    HGDIOBJ oldPen = GetCurrentObject(dc, OBJ_PEN);
    const int width = x1 - x0;
    char text[32];
    for (int i = 0; i < count; ++i) {
        const int y = bottom - ticks[i].offset;
        switch (ticks[i].kind) {
        case kTickMajor:
            SelectObject(dc, PalettePen(13));
            Line(dc, x1 - 1, y, x1 - 10, y);
            Line(dc, x1 - 1, y + 1, x1 - 10, y + 1);
            GridLine(dc, x1, y, gridLength);
            if (width > 18) {
                std::snprintf(text, sizeof text, "%0.1f", ticks[i].value);
                LabelIn(dc, {15, 4}, RECT{x0 + 1, y - 7, x1, y + 7}, DT_LEFT | DT_TOP, text);
            }
            break;
        case kTickHalf:
            SelectObject(dc, PalettePen(13));
            Line(dc, x1 - 1, y, x1 - 5, y);
            GridLine(dc, x1, y, gridLength);
            if (width > 16) {
                std::snprintf(text, sizeof text, "%0.2f", ticks[i].value);
                LabelIn(dc, {13, 2}, RECT{x0 + 1, y - 5, x1, y + 5}, DT_LEFT | DT_TOP, text);
            }
            break;
        default:
            SelectObject(dc, PalettePen(12));
            Line(dc, x1 - 1, y, x1 - 3, y);
            GridLine(dc, x1, y, gridLength);
            break;
        }
    }
    SelectObject(dc, oldPen);
    EndLabel(dc, x0, x1, bottom, -1.0f, false, gridLength);
    EndLabel(dc, x0, x1, bottom - h + 1, 1.0f, true, gridLength);
}
