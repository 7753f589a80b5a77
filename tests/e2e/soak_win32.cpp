// A soak of the whole program: tenvelo.exe plays a WAVE file of hours, long
// enough to fill the history and run past it, with recording on and the
// meter window open, as fast as the capture device takes the sound.
// Meanwhile a message to each of its windows must be answered within a
// second and the status panel must keep changing, and the sound the device
// takes is held against the file as it comes (tests/e2e/capture_match.h):
// every frame of the file in order and unchanged, only silence besides. At
// the end the history is saved as a user saves it and compared slot for
// slot with tenvelo-scan's of the same file.
//
// Run by scripts/soak inside the test environment (a Wine virtual desktop,
// the capture device), which prepares the folder named by TENVELO_SOAK_DIR
// (soak.wav, and scan.his: tenvelo-scan of it at the same frame rate and
// latency) and reads the program's memory from /proc while the file
// "playing" is there and "stopped" is not. TENVELO_SOAK_FPS and
// TENVELO_SOAK_LATENCY_MS are the frame rate and latency chosen in the
// program's menus; TENVELO_SOAK_WIDEN widens the meter window by that many
// pixels. Lines "soak: ..." carry the figures.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "tests/e2e/capture_match.h"
#include "tests/e2e/program_fixture.h"
#include "tests/e2e/saved_history.h"
#include "tests/e2e/user_input.h"
#include "tests/view/meter_window_test_support.h"
#include "view/status_panel.h"

namespace {

using namespace e2e;

constexpr int kStepSeconds = 300;       // any step but the play
constexpr int kStallSeconds = 120;      // the file not advancing in the capture: playing stopped
constexpr int kProbeEveryMs = 2000;     // a message to each window this often
constexpr UINT kProbeTimeoutMs = 1000;  // its answer is due within this
constexpr double kStillSeconds = 5;     // the status panel unchanged this long: a failure
constexpr double kStuckSeconds = 60;    // ... this long: the run ends
constexpr int kReportEverySeconds = 60; // a progress line
constexpr uint32_t kFramesPerSecond = 44100;
// After the file the program plays silence: a second of it, and the stream
// is stopped.
constexpr uint64_t kTailFrames = kFramesPerSecond;
const int kLatenciesMs[] = {200, 100, 50, 30, 20}; // the Latency menu, top down

double Seconds(LARGE_INTEGER from) {
    LARGE_INTEGER now, hz;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&hz);
    return double(now.QuadPart - from.QuadPart) / double(hz.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

// A file read front to back in pieces, past 4 GB too.
class FileReader {
  public:
    explicit FileReader(const std::string& path)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {}
    ~FileReader() {
        if (ok()) CloseHandle(handle_);
    }
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool Seek(uint64_t offset) {
        LARGE_INTEGER to;
        to.QuadPart = LONGLONG(offset);
        return SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN) != 0;
    }
    // Up to size bytes; fewer only at the end of the file.
    std::string Read(size_t size) {
        std::string bytes(size, '\0');
        size_t got = 0;
        DWORD n = 0;
        while (got < size &&
               ReadFile(handle_, &bytes[got], DWORD(std::min<size_t>(size - got, 1 << 20)), &n,
                        nullptr) &&
               n > 0)
            got += n;
        bytes.resize(got);
        return bytes;
    }

  private:
    HANDLE handle_;
};

uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Messages to the program's windows and how soon they were answered.
struct Probes {
    int sent = 0;
    int unanswered = 0;
    double slowestMs = 0;

    void Send(HWND window) {
        const LARGE_INTEGER start = Now();
        DWORD_PTR result = 0;
        const bool answered =
            SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kProbeTimeoutMs, &result) != 0;
        slowestMs = std::max(slowestMs, Seconds(start) * 1000);
        ++sent;
        if (!answered) ++unanswered;
    }
};

// The status panel as the screen shows it, reduced to a hash of its pixels.
// While playing it changes at least every second of audio (its time line);
// a thread stuck where it answers sent messages only (inside a send to
// another thread, say) answers the probes but no longer paints it.
uint64_t StatusPanelPixels(HWND main) {
    POINT at{kStatusPanelX, kStatusPanelY};
    ClientToScreen(main, &at);
    mwtest::Dib panel(kStatusPanelWidth, kStatusPanelHeight);
    HDC screen = GetDC(nullptr);
    BitBlt(panel.dc(), 0, 0, kStatusPanelWidth, kStatusPanelHeight, screen, at.x, at.y, SRCCOPY);
    ReleaseDC(nullptr, screen);
    uint64_t hash = 14695981039346656037ull;
    for (int y = 0; y < kStatusPanelHeight; ++y)
        for (int x = 0; x < kStatusPanelWidth; ++x)
            hash = (hash ^ panel.At(x, y)) * 1099511628211ull;
    return hash;
}

// The file's frames one at a time, read in large pieces.
class FrameSource {
  public:
    explicit FrameSource(const std::string& path) : file_(path) { file_.Seek(44); }
    bool ok() const { return file_.ok(); }
    uint32_t Next() {
        if (at_ + 4 > piece_.size()) {
            piece_ = file_.Read(8 << 20);
            at_ = 0;
            if (piece_.size() < 4) return 0; // never asked past the data
        }
        uint32_t frame = 0;
        std::memcpy(&frame, &piece_[at_], 4); // little-endian, as the file
        at_ += 4;
        return frame;
    }

  private:
    FileReader file_;
    std::string piece_;
    size_t at_ = 0;
};

class Soak : public ProgramTest {
  protected:
    void SetUp() override {
        logName_ = "soak";
        dir_ = Env("TENVELO_SOAK_DIR");
        if (dir_.empty()) GTEST_SKIP() << "run by scripts/soak";
        fps_ = std::atoi(Env("TENVELO_SOAK_FPS").c_str());
        latencyMs_ = std::atoi(Env("TENVELO_SOAK_LATENCY_MS").c_str());
        widenBy_ = std::atoi(Env("TENVELO_SOAK_WIDEN").c_str());
        capture_ = Env("TENVELO_CAPTURE_FILE");
        ASSERT_TRUE(fps_ >= 2 && fps_ <= 30) << "TENVELO_SOAK_FPS";
        ASSERT_NE(std::find(std::begin(kLatenciesMs), std::end(kLatenciesMs), latencyMs_),
                  std::end(kLatenciesMs))
            << "TENVELO_SOAK_LATENCY_MS";
        ASSERT_FALSE(capture_.empty()) << "no capture device (scripts/testenv --capture)";
        const uint64_t waveBytes = FileSize(In("soak.wav"));
        ASSERT_GT(waveBytes, 44u) << "no soak.wav";
        fileFrames_ = (waveBytes - 44) / 4; // the generator's canonical header
        Launch(kStepSeconds);
    }

    void Prepare();
    void PlayToTheEnd(CaptureMatch* match, FileReader* capture);
    void SaveAndQuit();
    void TakeCapture(CaptureMatch* match, FileReader* capture);
    void CheckHistory();
    void CheckCapture(const CaptureMatch& match);

    int fps_ = 0;
    int latencyMs_ = 0;
    int widenBy_ = 0;
    std::string capture_;
    uint64_t fileFrames_ = 0;
    Probes probes_;
    double longestStill_ = 0; // seconds the status panel went unchanged while playing
};

// The file, the latency, recording on, the meter window and its frame rate,
// each chosen as a user chooses them.
void Soak::Prepare() {
    Step("F5: select the soak file; latency; record on; the meter window and its frame rate");
    ActivateMain();
    PressKey(VK_F5);
    AnswerFileDialog("Load a wave file", In("soak.wav"));
    if (HasFatalFailure()) return;
    ActivateMain();
    OpenMenu('L'); // "Latency", its first item highlighted
    const int latencyItem =
        int(std::find(std::begin(kLatenciesMs), std::end(kLatenciesMs), latencyMs_) -
            std::begin(kLatenciesMs));
    for (int i = 0; i < latencyItem; ++i)
        PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    ClickClient(main_, kRecordSwitch.x, kRecordSwitch.y);
    OpenMeterWindowBeside(widenBy_);
    if (HasFatalFailure()) return;
    // The popup's first item opens the frame rates, 2 to 30, the first
    // highlighted.
    ClickClient(meter_, 60, 60, true);
    AwaitMenu();
    PressKey(VK_DOWN);
    PressKey(VK_RIGHT);
    for (int fps = 2; fps < fps_; ++fps)
        PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    Shot("ready");
}

// What the capture gained since it was last read.
// Takes what the capture holds now, up to the first short read: the device
// appends while we read, and reading until a read comes back empty never
// ended when it appended a little between every two reads (a loaded machine
// at twice real time), so the watchdog fired though the file was playing.
void Soak::TakeCapture(CaptureMatch* match, FileReader* capture) {
    constexpr size_t kPiece = 8 << 20;
    std::string piece;
    do {
        piece = capture->Read(kPiece);
        match->Add(reinterpret_cast<const uint8_t*>(piece.data()), piece.size());
    } while (piece.size() == kPiece);
}

// Plays until the capture holds every frame of the file and a second of the
// silence after it, probing the windows all the while; stops at the first
// frame that is neither the file's next one nor silence. The watchdog fires
// when the file stops advancing in the capture.
void Soak::PlayToTheEnd(CaptureMatch* match, FileReader* capture) {
    Step("F1: play the whole file");
    ActivateMain();
    std::ofstream(In("playing")) << "playing\n";
    PressKey(VK_F1);
    const LARGE_INTEGER start = Now();
    double reported = 0;
    bool pictured = false;
    uint64_t panelShown = StatusPanelPixels(main_);
    LARGE_INTEGER panelChanged = start;
    ExtendWatchdog(kStallSeconds);
    while (!match->complete() || match->framesAfter < kTailFrames) {
        Sleep(kProbeEveryMs);
        ASSERT_EQ(WaitForSingleObject(process_.hProcess, 0), WAIT_TIMEOUT)
            << "the program ended while playing";
        probes_.Send(main_);
        probes_.Send(meter_);
        const uint64_t panel = StatusPanelPixels(main_);
        if (panel != panelShown) {
            panelShown = panel;
            panelChanged = Now();
        }
        longestStill_ = std::max(longestStill_, Seconds(panelChanged));
        ASSERT_LT(longestStill_, kStuckSeconds) << "the status panel stopped changing";
        const uint64_t before = match->matched + match->framesAfter;
        TakeCapture(match, capture);
        ASSERT_FALSE(match->differs) << "the device took a frame that is not the file's";
        if (match->matched + match->framesAfter > before) ExtendWatchdog(kStallSeconds);
        const double wall = Seconds(start);
        if (wall - reported >= kReportEverySeconds) {
            reported = wall;
            std::printf("soak: %.0f s: %.0f of %.0f s of the file played (%.2fx), %i probes, "
                        "slowest %.1f ms, status panel still %.1f s at most\n",
                        wall, double(match->matched) / kFramesPerSecond,
                        double(fileFrames_) / kFramesPerSecond,
                        double(match->matched) / kFramesPerSecond / wall, probes_.sent,
                        probes_.slowestMs, longestStill_);
            std::fflush(stdout);
        }
        if (!pictured && wall >= 30) {
            Shot("playing");
            pictured = true;
        }
    }
    const double wall = Seconds(start);
    std::printf("soak: real-time factor %.2f (the file's %.1f s in %.1f s)\n",
                double(fileFrames_) / kFramesPerSecond / wall,
                double(fileFrames_) / kFramesPerSecond, wall);
}

void Soak::SaveAndQuit() {
    Step("F2: stop; record off, save the history");
    ExtendWatchdog(kStepSeconds);
    ActivateMain();
    PressKey(VK_F2);
    std::ofstream(In("stopped")) << "stopped\n";
    ClickClient(main_, kRecordSwitch.x, kRecordSwitch.y); // off: the run's last slot is marked
    ClickClient(main_, kSaveButton.x, kSaveButton.y);
    AnswerFileDialog("Save History", In("soak.his"));
    if (HasFatalFailure()) return;
    Shot("saved");
    Quit();
}

// The saved history against tenvelo-scan's, slot for slot over every slot
// the scan has. The program played the whole file and then silence until
// stopped, so it holds at least as many; a full history (432000 slots)
// holds the same in both, the rest dropped alike.
void Soak::CheckHistory() {
    History saved(In("soak.his")), scanned(In("scan.his"));
    ASSERT_EQ(saved.result, 0) << "soak.his unreadable";
    ASSERT_EQ(scanned.result, 0) << "scan.his unreadable";
    EXPECT_GE(saved.count(), scanned.count()) << "slots saved";
    const int32_t count = std::min(saved.count(), scanned.count());
    std::string report;
    const int differing = DifferingSlots(saved, scanned, count, &report);
    std::printf("soak: slots compared %i of %i saved (history holds %u), %i differing\n", count,
                saved.count(), unsigned(kHistoryCapacity), differing);
    EXPECT_EQ(differing, 0) << report;
}

// What the device took, the rest read after the stop: every frame of the
// file in order, only silence besides (the program's silent first buffer,
// Wine's lead-ins), only silence after.
void Soak::CheckCapture(const CaptureMatch& match) {
    std::printf("soak: capture compared %llu bytes: the file's %llu frames %s; %llu frames of "
                "silence besides, in %llu runs (longest %.1f ms), %llu frames after (%llu not "
                "silent)\n",
                (unsigned long long)(match.captureFrames * 4), (unsigned long long)fileFrames_,
                match.complete() ? "all there, in order" : "NOT all there",
                (unsigned long long)match.silentFrames, (unsigned long long)match.silentRuns,
                match.longestRun * 1000.0 / kFramesPerSecond, (unsigned long long)match.framesAfter,
                (unsigned long long)match.loudAfter);
    EXPECT_TRUE(match.complete());
    EXPECT_FALSE(match.differs) << "the device took frame " << std::hex << match.heard
                                << " where the file has " << match.expected << std::dec << " at "
                                << double(match.matched) / kFramesPerSecond << " s of the file";
    EXPECT_EQ(match.loudAfter, 0u) << "sound after the file's";
}

TEST_F(Soak, PlaysTheWholeHistoryAndStaysTheScans) {
    Prepare();
    if (HasFatalFailure()) return;
    FrameSource file(In("soak.wav"));
    FileReader capture(capture_);
    ASSERT_TRUE(file.ok() && capture.ok());
    CaptureMatch match(fileFrames_, [&] { return file.Next(); });
    PlayToTheEnd(&match, &capture);
    std::printf("soak: probes %i, unanswered within %u ms %i, slowest %.1f ms; status panel "
                "unchanged for %.1f s at most\n",
                probes_.sent, kProbeTimeoutMs, probes_.unanswered, probes_.slowestMs,
                longestStill_);
    EXPECT_EQ(probes_.unanswered, 0) << "messages not answered within a second";
    EXPECT_LT(longestStill_, kStillSeconds) << "the status panel stood still while playing";
    if (!HasFatalFailure()) SaveAndQuit();
    Step("checks");
    ExtendWatchdog(kStepSeconds);
    TakeCapture(&match, &capture); // what came after the stop
    CheckCapture(match);
    if (!HasFatalFailure()) CheckHistory();
}

} // namespace
