// Powers and logarithms of ten for the measuring side, computed from double
// arithmetic alone (no C library), so that every build, whatever its math
// library, derives the same coefficients and decibels bit for bit.
#pragma once

// 10^x rounded to float; 0 far below 1, infinity far above.
float PowerOfTen(float x);

// log10(x) rounded to float for a finite x > 0; NaN otherwise.
float LogOfTen(float x);
