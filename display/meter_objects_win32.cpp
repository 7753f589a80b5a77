#include "display/meter_objects.h"

#include <cstring>

namespace {

const int kPenColourIndex[8] = {0, 2, 4, 6, 8, 9, 10, 11};
const int kZoneFillIndex[4] = {1, 3, 5, 7};
const int kSolidFillIndex[4] = {10, 11, 12, 13};

COLORREF ValueColour(const MeterSettings* s, int index) {
    uint32_t colour;
    std::memcpy(&colour, reinterpret_cast<const uint8_t*>(&s->values) + 4 * index, 4);
    return colour & 0x00FFFFFFu;
}

// The stock brush stands in for anything that failed; it is never deleted.
HBRUSH GreyBrush() {
    return static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
}

void DeleteBrush(HBRUSH brush) {
    if (brush && brush != GreyBrush()) DeleteObject(brush);
}

HBITMAP DrawPatternBitmap(int brushType, COLORREF colour, int orientation) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = screen ? CreateCompatibleBitmap(screen, 8, 8) : nullptr;
    HDC memory = screen ? CreateCompatibleDC(screen) : nullptr;
    if (screen) ReleaseDC(nullptr, screen);
    if (!bitmap || !memory) {
        if (bitmap) DeleteObject(bitmap);
        if (memory) DeleteDC(memory);
        return nullptr;
    }
    HGDIOBJ old = SelectObject(memory, bitmap);
    PatBlt(memory, 0, 0, 8, 8, BLACKNESS);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if (PatternPixelSet(brushType, orientation, x, y)) SetPixelV(memory, x, y, colour);
    SelectObject(memory, old);
    DeleteDC(memory);
    return bitmap;
}

} // namespace

int PatternPixelSet(int brushType, int orientation, int x, int y) {
    // Orientation 0 is the row pattern turned: columns play the part of rows.
    const int line = orientation ? y : x;
    const int across = orientation ? x : y;
    switch (brushType) {
    case 1: return line % 2 == 0;
    case 2: return line % 4 < 2;
    case 3: return line < 4;
    case 4: return line < 6;
    case 5: return line % 2 == 0 && across % 2 == 0;
    case 6: return line % 4 < 2 && across % 4 < 2;
    default: return 0;
    }
}

void BuildPatternBrush(HBRUSH* brush, HBITMAP* bitmap, int brushType, COLORREF colour,
                       int orientation) {
    DeleteBrush(*brush);
    *brush = nullptr;
    if (brushType == kBrushTypeSolid) {
        *brush = CreateSolidBrush(colour);
    } else if (brushType > kBrushTypeSolid && brushType <= kBrushTypeLast) {
        if (*bitmap) DeleteObject(*bitmap);
        *bitmap = DrawPatternBitmap(brushType, colour, orientation);
        if (*bitmap) *brush = CreatePatternBrush(*bitmap);
    }
    if (!*brush) *brush = GreyBrush();
}

void BuildMeterObjects(MeterSettings* s) {
    MeterDrawingObjects* o = &s->objects;
    for (int i = 0; i < 8; ++i) {
        if (o->pens[i]) DeleteObject(o->pens[i]);
        o->pens[i] = CreatePen(PS_SOLID, 0, ValueColour(s, kPenColourIndex[i]));
    }
    for (int i = 0; i < 8; ++i) {
        HBRUSH brush = static_cast<HBRUSH>(o->brushes[i]);
        HBITMAP bitmap = static_cast<HBITMAP>(o->patternBitmaps[i]);
        BuildPatternBrush(&brush, &bitmap, s->values.brushType,
                          ValueColour(s, kZoneFillIndex[i % 4]), i < 4 ? 1 : 0);
        o->brushes[i] = brush;
        o->patternBitmaps[i] = bitmap;
    }
    for (int i = 0; i < 4; ++i) {
        DeleteBrush(static_cast<HBRUSH>(o->brushes[8 + i]));
        HBRUSH brush = CreateSolidBrush(ValueColour(s, kSolidFillIndex[i]));
        o->brushes[8 + i] = brush ? brush : GreyBrush();
    }
}

void DestroyMeterObjects(MeterSettings* s) {
    MeterDrawingObjects* o = &s->objects;
    for (void* pen : o->pens)
        if (pen) DeleteObject(pen);
    for (void* brush : o->brushes)
        DeleteBrush(static_cast<HBRUSH>(brush));
    for (void* bitmap : o->patternBitmaps)
        if (bitmap) DeleteObject(bitmap);
    std::memset(s, 0, sizeof *s);
}
