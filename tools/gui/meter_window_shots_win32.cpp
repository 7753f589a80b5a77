// Screenshots of the meter window playing the demo program, for people to
// look at: PEAK, RMS and Average at zoom 1, and zoom 10, with two cues and
// the end of a recording run in the event strip. Taken by tools/screenshots
// (meter_*.png).
#include "history/cue_store.h"
#include "tools/gui/screenshot.h"
#include "tests/view/meter_window_test_support.h"
#include "tools/demo_wave.h"

#include <cstdio>
#include <string>

namespace {

constexpr uint32_t kFramesPerBuffer = 4410; // one frame at 10 frames per second

class MeterWindowScreenshots : public mwtest::MeterWindowTest {
  protected:
    // Measures the demo program from `from` to `to` seconds (past 30 s it repeats).
    void Play(double from, double to) {
        std::vector<int16_t> pcm(2 * kFramesPerBuffer);
        for (int64_t start = int64_t(from * 44100); start < int64_t(to * 44100);
             start += kFramesPerBuffer) {
            for (uint32_t i = 0; i < kFramesPerBuffer; ++i)
                demo::Frame(start + i, &pcm[2 * i], &pcm[2 * i + 1]);
            AnalyseBuffer(&engine_, pcm.data(), uint32_t(pcm.size() * sizeof(int16_t)));
            Pump();
        }
        MeterWaitDisplayIdle(engine_, 5000);
        Pump();
    }
    void Cue(int32_t slot, const char* name) {
        CueInsert(Store(), Store()->history[slot - 1].samplePosition, name);
    }
    void Shot(const char* name) {
        UpdateWindow(window());
        Pump();
        RECT r;
        GetWindowRect(window(), &r);
        EXPECT_TRUE(shots::SaveScreen(r, std::string(name) + ".bmp")) << name;
    }
};

TEST_F(MeterWindowScreenshots, PlayingTheDemo) {
    if (shots::Folder().empty()) GTEST_SKIP() << "TENVELO_SCREENSHOT_DIR is not set";
    ASSERT_TRUE(Open(900, 620, 40, 30));
    MeterSetRecording(engine_, 1);
    Play(0.0, 30.0); // the whole program: one recording run
    Cue(61, "Tone -6 dB");
    Cue(101, "Inverted phase");
    MeterSetRecording(engine_, 0); // the run's end
    Play(30.0, 31.0);              // not recorded
    MeterSetRecording(engine_, 1);
    Play(31.0, 39.5); // a second run, into the -1 dB tone
    const struct {
        UINT command;
        int32_t zoom;
        const char* name;
    } shots[] = {
        {kCmdPeak, 1, "meter_peak_zoom1"},
        {kCmdRms, 1, "meter_rms_zoom1"},
        {kCmdAverage, 1, "meter_average_zoom1"},
        {kCmdPeak, 10, "meter_peak_zoom10"},
    };
    double at = 39.5;
    for (const auto& s : shots) {
        SendMessageA(window(), WM_COMMAND, s.command, 0);
        MeterSetZoom(engine_, s.zoom);
        InvalidateRect(window(), nullptr, TRUE);
        UpdateWindow(window());
        Play(at, at + 0.3); // the bars, drawn by the display thread in the new mode
        at += 0.3;
        Shot(s.name);
    }
}

} // namespace
