// The rotary knob's value model: the mapping between a value on a linear or
// logarithmic scale and the needle's angle, steps with clamping, the mouse
// and wheel arithmetic, and the geometry of the needle and the move pie.
// Portable and pure: the Win32 knob (toolkit/knob.h) draws and routes input
// with these.
//
// Angles are radians, counter-clockwise from the positive x axis with y up;
// the needle turns clockwise from startAngle (at min) to endAngle (at max).
#pragma once

#include <cstddef>
#include <cstdint>

constexpr float kKnobTwoPi = 6.28318530717958647692f;

// Scale flag: logarithmic scale (same bit as the knob style's).
constexpr uint32_t kKnobScaleLog = 0x10000000;

// "Rot_Mode" bits.
constexpr uint32_t kRotModeInverse = 0x1; // vertical drags and the wheel run the other way
constexpr uint32_t kRotModeAngular = 0x2; // the needle follows the cursor's angle

// Decimals of a knob as created.
constexpr uint8_t kKnobDefaultDecimals = 3;

struct KnobScale {
    float min;           // lowest value
    float max;           // highest value
    float defaultValue;  // initial value, and the value of a reset
    float step;          // added per step (linear) or multiplied per step (logarithmic)
    uint8_t decimals;    // decimals of displayed values
    uint32_t scaleFlags; // kKnobScaleLog
    float value;         // current value, always within [min, max]
    float startAngle;    // needle angle at min
    float endAngle;      // needle angle at max
    float k;             // linear: radians per unit; logarithmic: value ratio per radian
    float inverseK;      // linear: units per radian
};

struct KnobPoint {
    int32_t x;
    int32_t y;
};

// A GDI-style pie: bounding box and the two radial end points; the arc runs
// counter-clockwise (as seen on the screen) from (x1, y1) to (x2, y2).
struct KnobPie {
    int32_t left, top, right, bottom;
    int32_t x1, y1, x2, y2;
};

// Returns the sweep from startAngle clockwise to endAngle, in (0, 2pi]
// (start - end, plus 2pi when negative; equal angles give 0).
float KnobSpan(float startAngle, float endAngle);

// Returns the angle, counted like the span, in the middle of the gap between
// the end and the start: span + (2pi - span) / 2.
float KnobMidGap(float span);

// Converts whole degrees to radians.
float KnobDegreesToRadians(int degrees);

// Sets up the scale: value and default = initial (clamped into the range),
// decimals 3, angles from the degrees, k and inverse k from the span.
// Returns 1, or 0 (scale left zeroed) when the scale cannot map values to
// angles: min not below max, a non-finite bound or step, a logarithmic scale
// with min <= 0, or start and end angles that coincide.
int KnobScaleInit(KnobScale* scale, float min, float max, float initial, float step,
                  int startDegrees, int endDegrees, uint32_t scaleFlags);

// Returns the needle angle of a value, in [0, 2pi).
float KnobValueToAngle(const KnobScale* scale, float value);

// Returns the value at a needle angle, clamped to [min, max] so that float
// rounding at the ends never leaves the range.
float KnobAngleToValue(const KnobScale* scale, float angle);

// Stores value. Returns 1 when it was stored, 0 when it was ignored: outside
// [min, max], not a number, or equal to the current value.
int KnobScaleSetValue(KnobScale* scale, float value);

// Returns the value n steps away from the current one (value + n * step, or
// value * step^n on a logarithmic scale), clamped to [min, max].
float KnobSteppedValue(const KnobScale* scale, int32_t n);

// Angular drag: the needle angle for a cursor at (dx, dy) from the needle
// centre (dy positive upwards). In the gap beyond the end the needle stays at
// endAngle up to the mid-gap angle and at startAngle after it. Returns 1 with
// *angle set, or 0 when the cursor is on the centre (r <= 1e-20).
int KnobAngularTarget(const KnobScale* scale, float dx, float dy, float* angle);

// Returns the steps of a wheel turn by delta (120 per notch):
// (-5 * delta) / 120 truncated, negated when rotMode has no inverse bit.
int32_t KnobWheelSteps(int32_t delta, uint32_t rotMode);

// Returns the steps of a linear-mode mouse move (dx, dy in client pixels,
// y down): dy (inverse) or -dy when the move is mostly vertical, else dx.
int32_t KnobLinearDragSteps(int32_t dx, int32_t dy, uint32_t rotMode);

// Returns 20 * log10(value): the value as shown by a decibel-styled knob
// (minus infinity for 0, not a number below).
float KnobDecibels(float value);

// Returns 10^(decibels / 20): a typed decibel figure as a value.
float KnobFromDecibels(double decibels);

// The needle quadrilateral of the given width around the ray at angle from
// (centreX, centreY) (screen coordinates, y down), length long; a short
// needle covers only 0.7 to 1.0 of the length. Every product is rounded half
// down. Fills corners[0..3] in drawing order.
void KnobNeedlePolygon(int32_t centreX, int32_t centreY, float angle, int32_t length, int32_t width,
                       int shortNeedle, KnobPoint corners[4]);

// The pie of the given radius around (centreX, centreY) whose arc runs
// counter-clockwise from fromAngle to toAngle. Coordinates are rounded half
// down. Returns 1, or 0 when both radial ends round to the same point (GDI
// would draw a whole disc then).
int KnobPieGeometry(int32_t centreX, int32_t centreY, float radius, float fromAngle, float toAngle,
                    KnobPie* pie);

// Where the floating value box (boxWidth x boxHeight) goes for a control at
// (x, y) of size width x height, by the low four bits of "infovalue":
// 1 left top, 2 right top, 3 right bottom, 4 left bottom; any other place
// counts as 3, the default. Returns the top-left through boxX, boxY.
void KnobInfoBoxPlace(uint32_t infoValue, int32_t x, int32_t y, int32_t width, int32_t height,
                      int32_t boxWidth, int32_t boxHeight, int32_t* boxX, int32_t* boxY);

// Texts of the knob: the value as the value box shows it (knob decimals, no
// plus sign, the dB form when decibel is 1). Returns the length written;
// the text is always terminated when outSize > 0.
int KnobValueText(const KnobScale* scale, int decibel, char* out, size_t outSize);

// Context menu items whose text carries a number.
enum KnobMenuTextItem {
    kKnobTextCurrent = 0, // "Current value :" value
    kKnobTextDefault,     // "Default value (" default ")\tDBLCLICK"
    kKnobTextMin,         // "Value Min (" min ")"
    kKnobTextMax,         // "Value Max (" max ")"
};

// Builds a context menu text: numbers with a plus sign, the current value
// with the knob's decimals and the others with 6; in decibel style the dB
// forms with 3 and 1 decimals followed by " db". Returns the length written
// (0 for an unknown item); always terminated when outSize > 0.
int KnobMenuText(const KnobScale* scale, int decibel, KnobMenuTextItem item, char* out,
                 size_t outSize);
