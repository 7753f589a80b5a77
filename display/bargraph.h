// Drawing of the meter column: the bars with their zones and peak marker,
// the correlator marker, the static boxes, headers and labels, and the dB,
// amplitude and correlation scales (which the history graph also uses, with
// grid lines across its graphs). Every routine draws into the DC it is
// given and leaves the DC's selections as it found them; none of them sends
// a message, so the display thread may call them on its own DC.
#pragma once

#include <windows.h>

#include <cstdint>

#include "display/meter_scale.h"
#include "display/meter_settings.h"

// A rectangle filled with the current brush and no outline: columns left ..
// right - 2 and rows top .. bottom - 2 after ordering the corners, as GDI
// fills a rectangle drawn with the null pen.
void FillNoOutline(HDC dc, HBRUSH brush, int left, int top, int right, int bottom);

// One bar: the three zones from bottom upward to the bar's height, the
// cleared part above it, and, unless the bar shows the peak, the peak marker
// (the "MaxColor" pen, the "MaxBorder" pen above 0 dB) when 4 <= peak < h.
void DrawMeterBar(HDC dc, const MeterSettings* settings, const BarPixels* bar, int32_t height,
                  int x0, int width, int bottom, int showPeakMarker);

// The correlator marker of correlation c in a column of graph height h at
// x0 with bar width m: erases the one at *marker (when 0 .. h), draws the
// new one and stores its offset in *marker.
void DrawCorrelatorMarker(HDC dc, float correlation, int32_t height, int x0, int width,
                          int32_t* marker);

// One tick of a dB scale between x0 and x1 at screen row y; the grid line
// runs from x1 + 2 to x1 + gridLength when gridLength > 2.
void ScaleTick(HDC dc, int x0, int x1, int y, float value, ScaleTickKind kind, int gridLength);

// The dB scale: minDb at row bottom, maxDb at row bottom - h + 1.
void DrawDbScale(HDC dc, float minDb, float maxDb, int32_t height, int x0, int x1, int bottom,
                 int gridLength);

// The amplitude-linear layout of the same scale (linear ballistics).
void DrawAmplitudeScale(HDC dc, float minDb, float maxDb, int32_t height, int x0, int x1,
                        int bottom, int gridLength);

// The correlation scale -1 .. +1, ticks against the right edge x1.
void DrawCorrelationScale(HDC dc, int32_t height, int x0, int x1, int bottom, int gridLength);

// A scale box: toolkit pen 0 and brush 10, with a pen-12 edge up its left
// side and along its top.
void DrawScaleBox(HDC dc, int left, int top, int right, int bottom);

// A box in toolkit pen and brush 11 with a centred one-line text in colour
// 14, font 4 (the headers and the channel labels).
void DrawLabelBox(HDC dc, int left, int top, int right, int bottom, const char* text);
