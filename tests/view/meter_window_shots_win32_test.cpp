// Screenshots of the meter window playing the demo program, for people to
// look at: PEAK, RMS and Average at zoom 1, and zoom 10, with two cues and
// the end of a recording run in the event strip. Runs only when
// TENVELO_SCREENSHOT_DIR names a folder; the captions and frames come from
// Wine's virtual desktop, so run it inside one and convert the BMPs:
//
//   scripts/testenv --prefix $PWD/build/win64/wineprefix --reuse -- bash -c
//   'TENVELO_SCREENSHOT_DIR=Z:\\tmp\\shots "$TENVELO_WINE" explorer /desktop=shots,1000x720
//   build/win64/tests/tenvelo_shell_tests.exe --gtest_filter=MeterWindowShots.*' for f in
//   /tmp/shots/*.bmp; do convert "$f" docs/screenshots/$(basename "${f%.bmp}").png; done
#include "history/cue_store.h"
#include "tests/view/meter_window_test_support.h"
#include "tools/demo_wave.h"

#include <cstdio>
#include <string>

namespace {

constexpr uint32_t kFramesPerBuffer = 4410; // one frame at 10 frames per second

// Writes the screen rectangle as a 24-bit BMP file.
bool SaveScreen(const RECT& r, const std::string& path) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    mwtest::Dib dib(w, h);
    HDC screen = GetDC(nullptr);
    BitBlt(dib.dc(), 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    const int stride = (w * 3 + 3) & ~3;
    std::vector<uint8_t> pixels(size_t(stride) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const COLORREF c = dib.At(x, h - 1 - y);
            uint8_t* p = &pixels[size_t(y) * stride + 3 * x];
            p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
        }
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + uint32_t(pixels.size());
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    return std::fclose(out) == 0;
}

class MeterWindowShots : public mwtest::MeterWindowTest {
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
        EXPECT_TRUE(SaveScreen(r, dir + "\\" + name + ".bmp")) << name;
    }
    std::string dir;
};

TEST_F(MeterWindowShots, PlayingTheDemo) {
    char folder[MAX_PATH];
    if (!GetEnvironmentVariableA("TENVELO_SCREENSHOT_DIR", folder, sizeof folder))
        GTEST_SKIP() << "TENVELO_SCREENSHOT_DIR is not set";
    dir = folder;
    CreateDirectoryA(folder, nullptr);
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
