// Levels as the meters show them: decibels of amplitudes and mean squares,
// the floor below which a level is silence, and a frame's correlation. The
// bottom of the meter layers: the screen code uses it without reaching the
// engine.
#pragma once

// A 16-bit sample s becomes the amplitude s x kSampleScale: -32768 gives
// exactly -1.0.
constexpr float kSampleScale = 3.0517578125e-05f;

// A float sample's magnitude beyond which (and NaN) the loudness meter reads
// silence: +180 dB, beyond any real signal, where squares and filters still
// stay finite.
constexpr float kFloatSampleLimit = 1e9f;

// Levels below this are silence: -200 dB, and the ballistics drop them to 0.
constexpr float kLevelFloor = 1e-10f;
constexpr float kSilenceDb = -200.0f;

// Decibels of a linear amplitude (20 log10) or a mean square (10 log10);
// kSilenceDb for anything below kLevelFloor (also for NaN).
float AmplitudeToDb(float amplitude);
float PowerToDb(float power);

// The frame's correlation from inv = 1/N, the channels' mean squares and the
// sum of products: 0 when msLeft x msRight is below 1e-20, else
// (inv x corrSum) / sqrt(msLeft x msRight), in -1..+1.
float FrameCorrelation(float inv, float corrSum, float msLeft, float msRight);
