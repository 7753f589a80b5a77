// Painting the knob: face, disabled mark, focus mark, the "Display Knob
// Moves" pies and the needle.
#include "toolkit/knob.h"

namespace {

// The face through the round mask; a plain copy without one (not round, or
// the toolkit's mask cache was full when the knob was made).
void DrawFace(const Knob* knob, HDC dc, HBITMAP face) {
    if (!face) {
        return;
    }
    if (knob->round && knob->roundMask) {
        MaskedBlit(dc, face, knob->roundMask, 0, 0, knob->width, knob->height);
    } else {
        BlitBitmap(dc, face, 0, 0, knob->width, knob->height);
    }
}

void DrawPie(HDC dc, const KnobPie& pie) {
    Pie(dc, pie.left, pie.top, pie.right, pie.bottom, pie.x1, pie.y1, pie.x2, pie.y2);
}

// The way from the default to the current value: the arc runs counter-
// clockwise from the higher value's angle to the lower one's, which is the
// way the needle went (never through the gap).
void DrawMoves(const Knob* knob, HDC dc) {
    bool above = knob->scale.value > knob->scale.defaultValue;
    float from = above ? knob->needleAngle : knob->defaultAngle;
    float to = above ? knob->defaultAngle : knob->needleAngle;
    KnobPie outer;
    KnobPie inner;
    int hasOuter =
        KnobPieGeometry(knob->centreX, knob->centreY, 0.5f * knob->width, from, to, &outer);
    int hasInner =
        KnobPieGeometry(knob->centreX, knob->centreY, 0.3f * knob->width, from, to, &inner);
    if (hasOuter) {
        PenAndBrush objects(dc, PalettePen(15), GetStockObject(NULL_BRUSH));
        int oldRop = SetROP2(dc, R2_XORPEN);
        DrawPie(dc, outer);
        SetROP2(dc, oldRop);
    }
    if (hasInner) {
        PenAndBrush objects(dc, PalettePen(0), PaletteBrush(above ? 2 : 8));
        DrawPie(dc, inner);
    }
}

void DrawNeedle(const Knob* knob, HDC dc) {
    KnobPoint corners[4];
    KnobNeedlePolygon(knob->centreX, knob->centreY, knob->needleAngle, knob->needleLength,
                      knob->needleWidth, (knob->style & kKnobShortNeedle) != 0, corners);
    POINT points[4];
    for (int i = 0; i < 4; ++i) {
        points[i].x = corners[i].x;
        points[i].y = corners[i].y;
    }
    PenAndBrush objects(dc, PalettePen(knob->needlePen), PaletteBrush(knob->needleBrush));
    Polygon(dc, points, 4);
}

} // namespace

void KnobPaint(const Knob* knob, HDC dc) {
    if (!knob->enabled && knob->disabledFace) {
        DrawFace(knob, dc, knob->disabledFace);
        return;
    }
    HBITMAP face = knob->face;
    if (knob->dragging && knob->pressedFace) {
        face = knob->pressedFace;
    }
    DrawFace(knob, dc, face);
    if (!knob->enabled) {
        DrawCrossMark(dc, 4, 4, knob->width - 4, knob->height - 4);
        return;
    }
    if (knob->focused) {
        if (knob->round) {
            DrawDot(dc, knob->centreX, 3 * knob->height / 4);
        } else {
            DrawCornerMark(dc, 0, 0);
        }
    }
    if (ToolkitGetOptions()->rotMove && knob->needleAngle != knob->defaultAngle) {
        DrawMoves(knob, dc);
    }
    DrawNeedle(knob, dc);
}
