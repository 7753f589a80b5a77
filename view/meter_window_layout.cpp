#include "view/meter_window_layout.h"

MeterLayout MeterWindowLayout(int32_t left, int32_t top, int32_t right, int32_t bottom,
                              uint32_t channels, int32_t previousHeight) {
    MeterLayout layout{};
    const int32_t W = right - left;
    const int32_t H = bottom - top + 1;
    layout.graphHeight = previousHeight;
    if (channels == 1) layout.graphHeight = H - 40;
    if (channels == 2) layout.graphHeight = H / 3 - 40;
    if (W + 1 >= kMinHistoryClientWidth) {
        layout.historyWidth = W - 69;
        layout.meterWidth = 40;
    } else {
        layout.historyWidth = 0;
        layout.meterWidth = W - 29;
    }
    layout.usable = layout.graphHeight >= kMinGraphHeight && layout.meterWidth >= kMinMeterWidth;
    return layout;
}
