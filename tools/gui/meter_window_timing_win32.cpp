// Timings of the meter window's drawing, printed for bench/README.md: the
// display thread's work per frame (bars and the live history column) and a
// full history repaint of a window 1000 pixels wide at zoom 1 and 120:
//
//   scripts/testenv --prefix $PWD/build/win64/wineprefix --reuse -- bash -c
//   '"$TENVELO_WINE" build/win64/tools/gui-tools.exe --gtest_filter=MeterWindowTiming.*'
#include "tests/view/meter_window_test_support.h"
#include "view/history_graph.h"
#include "view/meter_paint.h"

#include <algorithm>
#include <cstdio>

namespace {

class MeterWindowTiming : public mwtest::MeterWindowTest {
  protected:
    static double Now() {
        LARGE_INTEGER t, f;
        QueryPerformanceCounter(&t);
        QueryPerformanceFrequency(&f);
        return double(t.QuadPart) / double(f.QuadPart);
    }
    // Median and mean in milliseconds of `runs` calls.
    template <typename F> void Time(const char* what, int runs, F f) {
        std::vector<double> ms;
        for (int i = 0; i < runs; ++i) {
            const double t0 = Now();
            f();
            ms.push_back((Now() - t0) * 1000.0);
            if (i % 16 == 0) Pump();
        }
        double sum = 0;
        for (double v : ms)
            sum += v;
        std::sort(ms.begin(), ms.end());
        std::printf("%-44s median %.3f ms, mean %.3f ms, max %.3f ms (%d runs)\n", what,
                    ms[ms.size() / 2], sum / ms.size(), ms.back(), runs);
    }
};

TEST_F(MeterWindowTiming, FrameAndFullRepaint) {
    ASSERT_TRUE(Open(1000, 600));
    RECT client;
    GetClientRect(window(), &client);
    ASSERT_EQ(client.right, 1000);
    const MeterLayout l = MeterWindowLayout(0, 0, client.right, client.bottom, 2);
    FillHistory(60000, 0.5f, 0.01f, 0.05f, 0.3f);
    MeterSetRecording(engine_, 1);
    MeterSetFormat(&engine_, 44100.0f, 2); // applies the record switch

    // The display thread's drawing of one frame, called here directly: the
    // bars, the 2-pixel shift, the newest column (a slot appended before
    // each), the ruler where a label falls and the posted thumb; from a
    // picture painted whole, as the window has it when the frames come.
    InvalidateRect(window(), nullptr, TRUE);
    UpdateWindow(window());
    DisplayFrame frame = engine_->frame;
    frame.window = window();
    frame.recordOn = 1;
    frame.modeWord = kMeterModeBars | kMeterModeCorrelator;
    frame.rmsSelect = 1; // RMS: the bars and their peak markers
    frame.peakSelect = 0;
    frame.minDb = -60.0f;
    frame.maxDb = 6.0f;
    frame.peakL = frame.peakR = 0.7f;
    frame.powerL = frame.powerR = 0.1f;
    frame.averageL = frame.averageR = 0.2f;
    frame.correlation = 0.4f;
    Time("frame: bars + live column + ruler", 2000, [&] {
        frame.peakL = frame.peakL > 0.9f ? 0.1f : frame.peakL + 0.01f;
        FillHistory(1, frame.peakL, 0.01f, 0.05f, 0.3f);
        MeterDrawFrame(engine_, &frame);
    });
    Time("frame: bars only", 2000, [&] {
        HDC dc = GetDC(window());
        DrawBars(engine_, &frame, dc, &l);
        ReleaseDC(window(), dc);
    });
    for (int32_t zoom : {1, 120}) {
        MeterSetZoom(engine_, zoom);
        char what[64];
        std::snprintf(what, sizeof what, "full history repaint, g = %d, zoom %d", l.historyWidth,
                      zoom);
        Time(what, 50, [&] {
            HDC dc = GetDC(window());
            PaintHistory(engine_, dc, l.historyWidth, l.graphHeight);
            ReleaseDC(window(), dc);
        });
        std::snprintf(what, sizeof what, "whole window paint, zoom %d", zoom);
        Time(what, 50, [&] {
            InvalidateRect(window(), nullptr, TRUE);
            UpdateWindow(window());
        });
    }
}

} // namespace
