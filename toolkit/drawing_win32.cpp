// The toolkit's drawing tables (palette, brushes, pens, fonts, bitmaps) and
// the drawing utilities that controls and the program's windows paint with.
#include "toolkit/toolkit.h"

#include <algorithm>
#include <cstring>

namespace {

const COLORREF kPaletteRgb[kPaletteSize] = {
    RGB(0, 0, 0),       RGB(204, 40, 20),   RGB(252, 60, 30),   RGB(240, 235, 54),
    RGB(6, 28, 157),    RGB(15, 95, 226),   RGB(140, 147, 228), RGB(3, 107, 122),
    RGB(36, 167, 49),   RGB(64, 64, 64),    RGB(84, 84, 84),    RGB(110, 110, 110),
    RGB(130, 130, 130), RGB(180, 180, 180), RGB(230, 230, 230), RGB(255, 255, 255),
};

struct FontSpec {
    LONG height;
    LONG weight;
};

const FontSpec kFonts[kFontCount] = {
    {10, 400}, {10, 700}, {12, 400}, {12, 700}, {14, 400}, {14, 700}, {16, 400}, {16, 700},
    {18, 400}, {18, 700}, {20, 400}, {20, 700}, {26, 800}, {26, 800}, {38, 400}, {38, 800},
};

struct DrawingTables {
    COLORREF colors[kPaletteSize];
    HBRUSH brushes[kPaletteSize];
    HPEN pens[kPaletteSize];
    HPEN dashDotPen;
    HFONT fonts[kFontCount];
    HBITMAP bitmaps[kBitmapCount];
};

DrawingTables g_tables = {};

struct RoundMaskEntry {
    HBITMAP mask;
    int diameter;
};

RoundMaskEntry g_masks[kRoundMaskCacheSize] = {};
HBITMAP g_scratch = nullptr; // kMaskedBlitMax square, made on first use

template <typename T> void DeleteAll(T* objects, int count) {
    for (int i = 0; i < count; ++i) {
        if (objects[i]) DeleteObject(objects[i]);
        objects[i] = nullptr;
    }
}

void BlitFromBitmap(HDC dc, HBITMAP bitmap, int x, int y, int srcX, int srcY, int w, int h) {
    if (!bitmap) return;
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) return;
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(dc, x, y, w, h, memory, srcX, srcY, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

void BoxEdges(HDC dc, uint32_t attr, int left, int top, int right, int bottom) {
    if (attr & kAttrRelief) {
        Rectangle(dc, left, top, right + 1, bottom + 1);
        SelectObject(dc, PalettePen(9));
        MoveToEx(dc, left, bottom, nullptr);
        LineTo(dc, left, top);
        LineTo(dc, right, top);
        SelectObject(dc, PalettePen(15));
        LineTo(dc, right, bottom);
        LineTo(dc, left - 1, bottom);
        return;
    }
    SelectObject(dc, PalettePen(attr & 15));
    Rectangle(dc, left, top, right, bottom);
}

} // namespace

int CreateDrawingTables(HINSTANCE instance) {
    int complete = 1;
    for (uint16_t i = 0; i < kBitmapCount; ++i) {
        g_tables.bitmaps[i] = LoadBitmapA(instance, MAKEINTRESOURCEA(kFirstBitmapResource + i));
        complete &= g_tables.bitmaps[i] != nullptr;
    }
    HDC screen = GetDC(nullptr);
    for (uint16_t i = 0; i < kPaletteSize; ++i) {
        g_tables.colors[i] = screen ? GetNearestColor(screen, kPaletteRgb[i]) : kPaletteRgb[i];
        if (g_tables.colors[i] == CLR_INVALID) g_tables.colors[i] = kPaletteRgb[i];
        LOGBRUSH brush = {BS_SOLID, g_tables.colors[i], 0};
        g_tables.brushes[i] = CreateBrushIndirect(&brush);
        g_tables.pens[i] = CreatePen(PS_SOLID, 0, g_tables.colors[i]);
        complete &= g_tables.brushes[i] && g_tables.pens[i];
    }
    if (screen) ReleaseDC(nullptr, screen);
    g_tables.dashDotPen = CreatePen(PS_DASHDOT, 0, g_tables.colors[0]);
    for (uint16_t i = 0; i < kFontCount; ++i) {
        LOGFONTA font = {};
        font.lfHeight = kFonts[i].height;
        font.lfWeight = kFonts[i].weight;
        std::strcpy(font.lfFaceName, "Arial");
        g_tables.fonts[i] = CreateFontIndirectA(&font);
        complete &= g_tables.fonts[i] != nullptr;
    }
    return complete && g_tables.dashDotPen;
}

void DeleteDrawingTables() {
    DeleteAll(g_tables.bitmaps, kBitmapCount);
    DeleteAll(g_tables.brushes, kPaletteSize);
    DeleteAll(g_tables.pens, kPaletteSize);
    DeleteAll(g_tables.fonts, kFontCount);
    DeleteAll(&g_tables.dashDotPen, 1);
}

COLORREF PaletteColor(uint16_t index) {
    return index < kPaletteSize ? g_tables.colors[index] : 0;
}

HBRUSH PaletteBrush(uint16_t index) {
    return index < kPaletteSize ? g_tables.brushes[index] : nullptr;
}

HPEN PalettePen(uint16_t index) {
    return index < kPaletteSize ? g_tables.pens[index] : nullptr;
}

HPEN DashDotPen() {
    return g_tables.dashDotPen;
}

HFONT ToolkitFont(uint16_t index) {
    return index < kFontCount ? g_tables.fonts[index] : nullptr;
}

HBITMAP ToolkitBitmap(uint16_t index) {
    return index < kBitmapCount ? g_tables.bitmaps[index] : nullptr;
}

// ---- Drawing utilities ----

void DrawTextAt(HDC dc, uint32_t attr, int x, int y, const char* text) {
    if (!text) return;
    const int length = static_cast<int>(std::strlen(text));
    HGDIOBJ oldFont = SelectObject(dc, ToolkitFont((attr >> 8) & 15));
    const COLORREF oldColor = GetTextColor(dc);
    if (attr & kAttrRelief) {
        SetTextColor(dc, PaletteColor(15));
        TextOutA(dc, x + 1, y + 1, text, length);
    }
    SetTextColor(dc, PaletteColor(attr & 15));
    TextOutA(dc, x, y, text, length);
    SetTextColor(dc, oldColor);
    SelectObject(dc, oldFont);
}

void DrawLineAt(HDC dc, uint32_t attr, int x1, int y1, int x2, int y2) {
    HGDIOBJ oldPen = SelectObject(dc, PalettePen(15));
    if (attr & kAttrRelief) {
        MoveToEx(dc, x1 + 1, y1 + 1, nullptr);
        LineTo(dc, x2 + 1, y2 + 1);
    }
    SelectObject(dc, PalettePen(attr & 15));
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SelectObject(dc, oldPen);
}

void DrawBox(HDC dc, uint32_t attr, int left, int top, int right, int bottom) {
    PenAndBrush selection(dc, GetStockObject(NULL_PEN), PaletteBrush((attr >> 4) & 15));
    BoxEdges(dc, attr, left, top, right, bottom);
}

void DrawBoxOutline(HDC dc, uint32_t attr, int left, int top, int right, int bottom) {
    PenAndBrush selection(dc, GetStockObject(NULL_PEN), GetStockObject(NULL_BRUSH));
    BoxEdges(dc, attr, left, top, right, bottom);
}

void BlitBitmap(HDC dc, HBITMAP bitmap, int x, int y, int w, int h) {
    BlitFromBitmap(dc, bitmap, x, y, 0, 0, w, h);
}

void BlitBitmapPart(HDC dc, HBITMAP bitmap, int x, int y, int srcX, int srcY, int w, int h) {
    BlitFromBitmap(dc, bitmap, x, y, srcX, srcY, w, h);
}

void BlitWholeBitmap(HDC dc, int x, int y, HBITMAP bitmap) {
    BITMAP info;
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return;
    BlitFromBitmap(dc, bitmap, x, y, 0, 0, info.bmWidth, info.bmHeight);
}

void TileBitmap(HWND window, HDC dc, int x, int y, HBITMAP bitmap) {
    BITMAP info;
    RECT client;
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info) || info.bmWidth <= 0 ||
        info.bmHeight <= 0 || !GetClientRect(window, &client))
        return;
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) return;
    HGDIOBJ old = SelectObject(memory, bitmap);
    for (int row = y; row < client.bottom; row += info.bmHeight)
        for (int col = x; col < client.right; col += info.bmWidth)
            BitBlt(dc, col, row, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

void MaskedBlit(HDC dc, HBITMAP image, HBITMAP mask, int x, int y, int w, int h) {
    w = std::min(w, kMaskedBlitMax);
    h = std::min(h, kMaskedBlitMax);
    if (w <= 0 || h <= 0 || !image || !mask) return;
    if (!g_scratch) g_scratch = CreateCompatibleBitmap(dc, kMaskedBlitMax, kMaskedBlitMax);
    HDC scratch = CreateCompatibleDC(dc);
    HDC source = CreateCompatibleDC(dc);
    if (g_scratch && scratch && source) {
        HGDIOBJ oldScratch = SelectObject(scratch, g_scratch);
        BitBlt(scratch, 0, 0, w, h, dc, x, y, SRCCOPY);
        HGDIOBJ oldSource = SelectObject(source, mask);
        BitBlt(scratch, 0, 0, w, h, source, 0, 0, SRCAND);
        SelectObject(source, image);
        BitBlt(scratch, 0, 0, w, h, source, 0, 0, SRCPAINT);
        BitBlt(dc, x, y, w, h, scratch, 0, 0, SRCCOPY);
        SelectObject(source, oldSource);
        SelectObject(scratch, oldScratch);
    }
    if (source) DeleteDC(source);
    if (scratch) DeleteDC(scratch);
}

HBITMAP RoundMask(HWND window, int diameter) {
    (void)window;
    if (diameter <= 0 || diameter > kMaskedBlitMax) return nullptr;
    RoundMaskEntry* freeEntry = nullptr;
    for (RoundMaskEntry& entry : g_masks) {
        if (entry.mask && entry.diameter == diameter) return entry.mask;
        if (!entry.mask && !freeEntry) freeEntry = &entry;
    }
    if (!freeEntry) return nullptr;
    HBITMAP mask = CreateBitmap(diameter, diameter, 1, 1, nullptr);
    HDC memory = CreateCompatibleDC(nullptr);
    if (!mask || !memory) {
        if (mask) DeleteObject(mask);
        if (memory) DeleteDC(memory);
        return nullptr;
    }
    HGDIOBJ old = SelectObject(memory, mask);
    PatBlt(memory, 0, 0, diameter, diameter, WHITENESS);
    {
        PenAndBrush selection(memory, GetStockObject(BLACK_PEN), GetStockObject(BLACK_BRUSH));
        Ellipse(memory, 0, 0, diameter, diameter);
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    freeEntry->mask = mask;
    freeEntry->diameter = diameter;
    return mask;
}

void ClearRoundMasks() {
    for (RoundMaskEntry& entry : g_masks) {
        if (entry.mask) DeleteObject(entry.mask);
        entry = RoundMaskEntry{};
    }
    if (g_scratch) DeleteObject(g_scratch);
    g_scratch = nullptr;
}

void DrawCrossMark(HDC dc, int left, int top, int right, int bottom) {
    const int width = right - 1 - left;
    const int height = bottom - 1 - top;
    const int bar = std::max(std::min(width, height) / 5, 3);
    const int r = right - 1;
    const int b = bottom - 1;
    // Each bar is a band along one diagonal, bar pixels wide at the corners.
    const POINT down[] = {{left, top}, {left + bar, top}, {r, b - bar},
                          {r, b},      {r - bar, b},      {left, top + bar}};
    const POINT up[] = {{left, b}, {left, b - bar}, {r - bar, top},
                        {r, top},  {r, top + bar},  {left + bar, b}};
    PenAndBrush selection(dc, PalettePen(0), PaletteBrush(15));
    Polygon(dc, down, 6);
    Polygon(dc, up, 6);
}

void DrawCornerMark(HDC dc, int x, int y) {
    const POINT corner[] = {{x, y}, {x + 5, y}, {x, y + 5}};
    PenAndBrush selection(dc, PalettePen(0), PaletteBrush(2));
    Polygon(dc, corner, 3);
}

void DrawDot(HDC dc, int x, int y) {
    PenAndBrush selection(dc, PalettePen(0), PaletteBrush(2));
    Ellipse(dc, x - 2, y - 2, x + 2, y + 2);
}

int PointInClient(HWND window, int x, int y) {
    RECT client;
    if (!GetClientRect(window, &client)) return 0;
    const POINT point = {x, y};
    return PtInRect(&client, point) ? 1 : 0;
}
