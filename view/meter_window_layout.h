// The one geometry rule of the meter window: the client rectangle and the
// channel count give the graph height, the history width and the meter
// column width, and whether anything can be drawn at all. Painting,
// scrolling, the mouse and the display thread all go through it.
#pragma once

#include <cstdint>

struct MeterLayout {
    int32_t graphHeight;  // h: height of one bargraph and one history graph
    int32_t historyWidth; // g: 0 when the window is too narrow for a history
    int32_t meterWidth;   // m: width of the bar column
    int usable;           // 1 when h >= 60 and m >= 10
};

// Smallest graph height and bar column width that can be drawn.
constexpr int32_t kMinGraphHeight = 60;
constexpr int32_t kMinMeterWidth = 10;
// Below this client width (right - left + 1) there is no history area.
constexpr int32_t kMinHistoryClientWidth = 200;

// Evaluates the rule for the client rectangle (left, top, right, bottom).
// With one channel h = H - 40, with two h = H / 3 - 40 (H = bottom - top + 1);
// other channel counts keep previousHeight.
MeterLayout MeterWindowLayout(int32_t left, int32_t top, int32_t right, int32_t bottom,
                              uint32_t channels, int32_t previousHeight = 0);

// Client y of the bottom of the left and right graphs and of the correlation
// row, for graph height h.
inline int32_t LeftGraphBottom(int32_t h) {
    return h + 20;
}
inline int32_t RightGraphBottom(int32_t h) {
    return 2 * h + 60;
}
inline int32_t CorrelationRow(int32_t h) {
    return 3 * h + 100;
}
