#include "meter/display_frame.h"

#include "meter/decibels.h"

namespace {

// One channel's ballistic state as the attack and release see it.
struct Ballistics {
    float* peak;
    float* average;
    float* power;
};

// Rises toward target by one attack step, never past it. The floor and the
// negative start give the first step something to multiply or add to.
float Attack(float value, float target, float attack, float release, uint32_t linear) {
    if (!(target > value)) return value;
    if (attack <= 0.0f) return target;
    float candidate;
    if (linear) {
        if (value == 0.0f) value = -release;
        candidate = value + attack;
    } else {
        if (value < kLevelFloor) value = kLevelFloor;
        candidate = value * attack;
    }
    return candidate < target ? candidate : target;
}

float Release(float value, float coefficient, uint32_t linear) {
    if (linear) return value > coefficient ? value - coefficient : 0.0f;
    return value > kLevelFloor ? value * coefficient : 0.0f;
}

void AttackChannel(DisplayFrame* f, Ballistics b, float inv, float* peak, float* sum,
                   float* sumSq) {
    if (*peak > *b.peak) *b.peak = *peak;
    *sum = inv * *sum;
    *sumSq = inv * *sumSq;
    *b.average = Attack(*b.average, *sum, f->averageAttack, f->averageRelease, f->linearBallistics);
    *b.power = Attack(*b.power, *sumSq, f->powerAttack, f->powerRelease, f->linearBallistics);
}

void ReleaseChannel(const DisplayFrame* f, Ballistics b) {
    *b.peak = Release(*b.peak, f->peakRelease, f->linearBallistics);
    *b.average = Release(*b.average, f->averageRelease, f->linearBallistics);
    *b.power = Release(*b.power, f->powerRelease, f->linearBallistics);
}

// Same sign: hold the extreme; change of sign: take the new value at once.
float HoldCorrelation(float held, float c) {
    if (c >= 0.0f) return held <= 0.0f ? c : (held > c ? held : c);
    return held >= 0.0f ? c : (held < c ? held : c);
}

} // namespace

float FrameApplyAttack(DisplayFrame* f, uint32_t channels) {
    float inv = 1.0f / static_cast<float>(f->N ? f->N : 1);
    AttackChannel(f, {&f->peakL, &f->averageL, &f->powerL}, inv, &f->framePeakL, &f->frameSumL,
                  &f->frameSumSqL);
    if (channels < 2) return 0.0f;
    AttackChannel(f, {&f->peakR, &f->averageR, &f->powerR}, inv, &f->framePeakR, &f->frameSumR,
                  &f->frameSumSqR);
    float c = FrameCorrelation(inv, f->corrSum, f->frameSumSqL, f->frameSumSqR);
    f->correlation = HoldCorrelation(f->correlation, c);
    return c;
}

void FrameApplyRelease(DisplayFrame* f, uint32_t channels) {
    ReleaseChannel(f, {&f->peakL, &f->averageL, &f->powerL});
    if (channels < 2) return;
    ReleaseChannel(f, {&f->peakR, &f->averageR, &f->powerR});
    float step = f->phaseStep;
    if (f->correlation > 0.0f)
        f->correlation = f->correlation > step ? f->correlation - step : 0.0f;
    else
        f->correlation = f->correlation < -step ? f->correlation + step : 0.0f;
}

HistoryRecord FrameHistoryRecord(const DisplayFrame* f) {
    HistoryRecord r{};
    r.samplePosition = f->samplePosition;
    r.peakL = f->peakL;
    r.powerL = f->powerL;
    r.averageL = f->averageL;
    r.peakR = f->peakR;
    r.powerR = f->powerR;
    r.averageR = f->averageR;
    r.correlation = f->correlation;
    r.flags = 0;
    return r;
}

void FrameClearBallistics(DisplayFrame* f) {
    f->peakL = f->averageL = f->powerL = 0.0f;
    f->peakR = f->averageR = f->powerR = 0.0f;
    f->correlation = 0.0f;
}
