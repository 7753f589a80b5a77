#include "toolkit/knob_model.h"

#include "toolkit/number_text.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

float Clamp(float value, float low, float high) {
    if (value < low) {
        return low;
    }
    if (value > high) {
        return high;
    }
    return value;
}

int32_t RoundToInt(double value) {
    return static_cast<int32_t>(RoundHalfDown(static_cast<float>(value)));
}

} // namespace

float KnobSpan(float startAngle, float endAngle) {
    float span = startAngle - endAngle;
    if (span < 0.0f) {
        span += kKnobTwoPi;
    }
    return span;
}

float KnobMidGap(float span) {
    return span + (kKnobTwoPi - span) / 2.0f;
}

float KnobDegreesToRadians(int degrees) {
    return static_cast<float>(degrees * (3.14159265358979323846 / 180.0));
}

int KnobScaleInit(KnobScale* scale, float min, float max, float initial, float step,
                  int startDegrees, int endDegrees, uint32_t scaleFlags) {
    *scale = KnobScale{};
    bool logarithmic = (scaleFlags & kKnobScaleLog) != 0;
    if (!std::isfinite(min) || !std::isfinite(max) || !std::isfinite(step) || !(min < max)) {
        return 0;
    }
    if (logarithmic && !(min > 0.0f)) {
        return 0;
    }
    float startAngle = KnobDegreesToRadians(startDegrees);
    float endAngle = KnobDegreesToRadians(endDegrees);
    float span = KnobSpan(startAngle, endAngle);
    if (!(span > 0.0f)) {
        return 0;
    }
    scale->min = min;
    scale->max = max;
    scale->step = step;
    scale->decimals = kKnobDefaultDecimals;
    scale->scaleFlags = scaleFlags & kKnobScaleLog;
    scale->startAngle = startAngle;
    scale->endAngle = endAngle;
    if (logarithmic) {
        scale->k = static_cast<float>(std::pow(static_cast<double>(max) / min, 1.0 / span));
    } else {
        scale->k = span / (max - min);
        scale->inverseK = (max - min) / span;
    }
    // A NaN initial value has no place on the scale; start at min then.
    float value = std::isnan(initial) ? min : Clamp(initial, min, max);
    scale->defaultValue = value;
    scale->value = value;
    return 1;
}

float KnobValueToAngle(const KnobScale* scale, float value) {
    double angle;
    if (scale->scaleFlags & kKnobScaleLog) {
        angle = scale->startAngle -
                std::log(static_cast<double>(value) / scale->min) / std::log(scale->k);
    } else {
        angle = scale->startAngle - static_cast<double>(value - scale->min) * scale->k;
    }
    if (angle < 0.0) {
        angle += kKnobTwoPi;
    }
    return static_cast<float>(angle);
}

float KnobAngleToValue(const KnobScale* scale, float angle) {
    double d = scale->startAngle - angle;
    if (angle > scale->startAngle) {
        d = kKnobTwoPi - angle + scale->startAngle;
    }
    double value;
    if (scale->scaleFlags & kKnobScaleLog) {
        value = scale->min * std::pow(static_cast<double>(scale->k), d);
    } else {
        value = scale->min + d * scale->inverseK;
    }
    return Clamp(static_cast<float>(value), scale->min, scale->max);
}

int KnobScaleSetValue(KnobScale* scale, float value) {
    if (!(value >= scale->min && value <= scale->max) || value == scale->value) {
        return 0;
    }
    scale->value = value;
    return 1;
}

float KnobSteppedValue(const KnobScale* scale, int32_t n) {
    double value;
    if (scale->scaleFlags & kKnobScaleLog) {
        value = scale->value * std::pow(static_cast<double>(scale->step), n);
    } else {
        value = scale->value + static_cast<double>(n) * scale->step;
    }
    if (std::isnan(value)) {
        return scale->value;
    }
    return Clamp(static_cast<float>(value), scale->min, scale->max);
}

int KnobAngularTarget(const KnobScale* scale, float dx, float dy, float* angle) {
    double r = std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy);
    if (r <= 1e-20) {
        return 0;
    }
    double a = std::acos(Clamp(static_cast<float>(dx / r), -1.0f, 1.0f));
    if (dy <= 0.0f) {
        a = kKnobTwoPi - a;
    }
    double d = scale->startAngle - a;
    if (d < 0.0) {
        d += kKnobTwoPi;
    }
    float span = KnobSpan(scale->startAngle, scale->endAngle);
    if (d <= span) {
        *angle = static_cast<float>(a);
    } else if (d <= KnobMidGap(span)) {
        *angle = scale->endAngle;
    } else {
        *angle = scale->startAngle;
    }
    return 1;
}

int32_t KnobWheelSteps(int32_t delta, uint32_t rotMode) {
    int32_t n = (-5 * delta) / 120;
    return (rotMode & kRotModeInverse) ? n : -n;
}

int32_t KnobLinearDragSteps(int32_t dx, int32_t dy, uint32_t rotMode) {
    int32_t ady = dy < 0 ? -dy : dy;
    int32_t adx = dx < 0 ? -dx : dx;
    if (ady > adx) {
        return (rotMode & kRotModeInverse) ? dy : -dy;
    }
    return dx;
}

float KnobDecibels(float value) {
    return static_cast<float>(20.0 * std::log10(static_cast<double>(value)));
}

float KnobFromDecibels(double decibels) {
    return static_cast<float>(std::pow(10.0, decibels * 0.05));
}

void KnobNeedlePolygon(int32_t centreX, int32_t centreY, float angle, int32_t length, int32_t width,
                       int shortNeedle, KnobPoint corners[4]) {
    double ux = std::cos(static_cast<double>(angle));
    double uy = -std::sin(static_cast<double>(angle));
    KnobPoint base = {centreX, centreY};
    double reach = length;
    if (shortNeedle) {
        base.x += RoundToInt(0.7 * length * ux);
        base.y += RoundToInt(0.7 * length * uy);
        reach = 0.3 * length;
    }
    KnobPoint tip = {base.x + RoundToInt(reach * ux), base.y + RoundToInt(reach * uy)};
    int32_t px = RoundToInt(0.5 * width * -std::sin(static_cast<double>(angle)));
    int32_t py = RoundToInt(0.5 * width * std::cos(static_cast<double>(angle)));
    corners[0] = {base.x + px, base.y - py};
    corners[1] = {base.x - px, base.y + py};
    corners[2] = {tip.x - px, tip.y + py};
    corners[3] = {tip.x + px, tip.y - py};
}

int KnobPieGeometry(int32_t centreX, int32_t centreY, float radius, float fromAngle, float toAngle,
                    KnobPie* pie) {
    pie->left = RoundToInt(centreX - radius);
    pie->top = RoundToInt(centreY - radius);
    pie->right = RoundToInt(centreX + radius);
    pie->bottom = RoundToInt(centreY + radius);
    pie->x1 = centreX + RoundToInt(radius * std::cos(static_cast<double>(fromAngle)));
    pie->y1 = centreY + RoundToInt(-radius * std::sin(static_cast<double>(fromAngle)));
    pie->x2 = centreX + RoundToInt(radius * std::cos(static_cast<double>(toAngle)));
    pie->y2 = centreY + RoundToInt(-radius * std::sin(static_cast<double>(toAngle)));
    return (pie->x1 != pie->x2 || pie->y1 != pie->y2) ? 1 : 0;
}

void KnobInfoBoxPlace(uint32_t infoValue, int32_t x, int32_t y, int32_t width, int32_t height,
                      int32_t boxWidth, int32_t boxHeight, int32_t* boxX, int32_t* boxY) {
    switch (infoValue & 15) {
    case 1:
        *boxX = x - boxWidth;
        *boxY = y - boxHeight;
        break;
    case 2:
        *boxX = x + width;
        *boxY = y - boxHeight;
        break;
    case 4:
        *boxX = x - boxWidth;
        *boxY = y + height;
        break;
    default: // 3, and places only a hand-edited setting can hold
        *boxX = x + width;
        *boxY = y + height;
        break;
    }
}

int KnobValueText(const KnobScale* scale, int decibel, char* out, size_t outSize) {
    float shown = decibel ? KnobDecibels(scale->value) : scale->value;
    return FloatToText(shown, out, outSize, scale->decimals, 0, 0);
}

int KnobMenuText(const KnobScale* scale, int decibel, KnobMenuTextItem item, char* out,
                 size_t outSize) {
    static const char* const kPrefix[] = {"Current value :", "Default value (", "Value Min (",
                                          "Value Max ("};
    static const char* const kSuffix[] = {"", ")\tDBLCLICK", ")", ")"};
    if (outSize > 0) {
        out[0] = '\0';
    }
    float number;
    switch (item) {
    case kKnobTextCurrent: number = scale->value; break;
    case kKnobTextDefault: number = scale->defaultValue; break;
    case kKnobTextMin: number = scale->min; break;
    case kKnobTextMax: number = scale->max; break;
    default: return 0;
    }
    uint8_t decimals = item == kKnobTextCurrent ? scale->decimals : 6;
    if (decibel) {
        number = KnobDecibels(number);
        decimals = item == kKnobTextCurrent ? 3 : 1;
    }
    char digits[64];
    FloatToText(number, digits, sizeof digits, decimals, 0, 1);
    int length = std::snprintf(out, outSize, "%s%s%s%s", kPrefix[item], digits,
                               decibel ? " db" : "", kSuffix[item]);
    if (length < 0) {
        return 0;
    }
    if (static_cast<size_t>(length) >= outSize) {
        return outSize > 0 ? static_cast<int>(outSize - 1) : 0;
    }
    return length;
}
