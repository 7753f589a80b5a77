#include "display/meter_scale.h"

#include <cmath>

#include "meter/decibels.h"

BarQuantity SelectedQuantity(uint32_t rmsSelect, uint32_t peakSelect) {
    if (peakSelect & 1) return kBarPeak;
    if (rmsSelect & 1) return kBarRms;
    return kBarAverage;
}

const char* QuantityHeader(BarQuantity quantity) {
    switch (quantity) {
    case kBarPeak: return "PEAK";
    case kBarRms: return "RMS";
    default: return "Aver.";
    }
}

float LevelDb(float value, BarQuantity quantity, float offset) {
    if (!(value >= kLevelFloor)) return kSilenceDb;
    return (quantity == kBarRms ? PowerToDb(value) : AmplitudeToDb(value)) + offset;
}

LevelMapping MakeLevelMapping(float minDb, float maxDb, int32_t height) {
    LevelMapping m{};
    m.minDb = minDb;
    m.height = height;
    const float range = maxDb - minDb;
    // An empty range has no scale; it draws every level at the bottom.
    m.pixelsPerDb = range > 0.0f ? static_cast<float>(height) / range : 0.0f;
    return m;
}

static int32_t Truncate(double x) {
    if (!(x > -1e6)) return -1000000;
    if (x > 1e6) return 1000000;
    return static_cast<int32_t>(x);
}

int32_t DbToPixels(const LevelMapping* m, float db) {
    return Truncate((static_cast<double>(db) - m->minDb) * m->pixelsPerDb);
}

int32_t CorrelationPixels(float c, int32_t h) {
    if (!(c >= -1.0f)) c = c < 0.0f ? -1.0f : 0.0f; // below -1, or not a number
    if (c > 1.0f) c = 1.0f;
    return static_cast<int32_t>((c + 1.0f) * static_cast<float>(h) / 2.0f);
}

BarPixels ComputeBarPixels(const LevelMapping* m, float valueDb, float peakDb, float dbHead,
                           float dbMax) {
    BarPixels b{};
    b.value = DbToPixels(m, valueDb);
    if (b.value > m->height) b.value = m->height;
    b.head = DbToPixels(m, dbHead);
    b.max = DbToPixels(m, dbMax);
    b.zero = DbToPixels(m, 0.0f);
    b.peak = DbToPixels(m, peakDb);
    return b;
}

double DbScaleStep(double s) {
    static const int kDivisors[] = {2, 2, 2, 2, 2, 3};
    double step = 192.0;
    int last = 0;
    for (int i = 0; i < 64 && Truncate(step * s) >= 121; ++i) {
        last = i < 6 ? kDivisors[i] : (i % 2 == 0 ? 2 : 5);
        step /= last;
    }
    if (Truncate(step * s) < 60) step *= last ? last : 2;
    return step;
}

double CorrelationScaleStep(double s) {
    double step = 1.0;
    int last = 0;
    for (int i = 0; i < 64 && Truncate(step * s) >= 161; ++i) {
        last = i % 2 == 0 ? 5 : 2;
        step /= last;
    }
    if (Truncate(step * s) < 80) step *= last ? last : 2;
    return step;
}

namespace {

struct TickList {
    ScaleTickSpec* out;
    int capacity;
    int count;
    void Add(int32_t offset, double value, ScaleTickKind kind) {
        if (count < capacity) out[count++] = {offset, static_cast<float>(value), kind};
    }
};

// Walks the steps of a linear scale whose value `base` lies at offset 0:
// from `first` upward while the step's offset stays below h, listing each
// major tick and the ticks of the interval below it.
void ListTicks(TickList* list, double base, double s, double step, double first, int32_t h) {
    auto offset = [&](double v) { return Truncate((v - base) * s); };
    // Steps wholly below the scale draw nothing: skip them, but start at the
    // same alignment as a walk from `first` would.
    double skip = std::floor((base - first) / step) - 1.0;
    double v = skip > 0.0 ? first + skip * step : first;
    for (int guard = 0; guard < 100000; ++guard) {
        const int32_t y = offset(v);
        if (y >= 11 && y < h) list->Add(y, v, kTickMajor);
        const double below = v - step;
        for (int k = 1; k <= 9; ++k) {
            const double tv = below + k * step / 10.0;
            const int32_t ty = offset(tv);
            if (ty >= 1 && ty < y && ty < h) list->Add(ty, tv, kTickMinor);
        }
        const int32_t hy = offset(v - step / 2.0);
        if (hy >= 11 && hy < y && hy < h) list->Add(hy, v - step / 2.0, kTickHalf);
        if (y >= h) break;
        v += step;
    }
}

} // namespace

int ListDbScaleTicks(float minDb, float maxDb, int32_t h, ScaleTickSpec* out, int capacity) {
    TickList list{out, capacity, 0};
    if (!(maxDb > minDb) || h < 1) return 0;
    const double s = static_cast<double>(h) / (static_cast<double>(maxDb) - minDb);
    const double first = std::trunc(minDb / 192.0) * 192.0 - 192.0;
    ListTicks(&list, minDb, s, DbScaleStep(s), first, h);
    return list.count;
}

int ListCorrelationTicks(int32_t h, ScaleTickSpec* out, int capacity) {
    TickList list{out, capacity, 0};
    if (h < 1) return 0;
    const double s = h / 2.0;
    ListTicks(&list, -1.0, s, CorrelationScaleStep(s), -1.0, h);
    return list.count;
}
