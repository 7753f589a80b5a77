// Measuring a whole WAVE file offline with the meter engine, as playback
// would: buffers of the streaming size through the analysis and the display
// thread, recording on, no frame lost. Used by tenvelo-scan.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct HistoryRecord;

struct ScanCue {
    double seconds;
    std::string name;
};

struct ScanOptions {
    std::string input;       // the WAVE file
    std::string output;      // the .his file; empty: beside the input
    std::string csv;         // one row per slot; empty: none
    int framesPerSecond = 10;
    double delay = 0.0;      // seconds, both channels
    bool attackOn = false;
    double attack = 24.0;    // dB per second while attackOn
    double peakFall = 6.0;   // dB per second
    double averageFall = 24.0;
    double phaseRelease = 0.5; // per second
    bool linear = false;     // additive release steps
    double latency = 0.1;    // seconds: the streaming buffer size
    std::vector<ScanCue> cues;
    bool demo = false;       // scan the generated demo file
    bool quiet = false;
    bool help = false;
};

// Parses the command line (argv[0] is skipped). Returns 1 on success; 0 with
// a one-line message in *error for an unknown option, a missing or bad value
// or a value out of its range.
int ParseScanArguments(int argc, const char* const* argv, ScanOptions* options, std::string* error);

// The usage text of --help.
const char* ScanUsage();

// The .his path used without -o: the input with its extension replaced.
std::string DefaultHistoryPath(const std::string& input);

// Extreme values of a scan and the times (seconds) they were reached.
struct ScanSummary {
    double seconds = 0;        // the file's duration
    int32_t frames = 0;        // history slots recorded
    uint32_t buffers = 0;      // buffers analysed
    float peakDb[2] = {-200, -200};
    double peakAt[2] = {0, 0};
    float rmsDb[2] = {-200, -200};
    double rmsAt[2] = {0, 0};
    float lowestCorrelation = 1.0f;
    double lowestCorrelationAt = 0;
};

// Scans options.input, writes options.output (or the default path) and, when
// asked, the CSV. Returns 0 on success with *summary filled; otherwise a
// non-zero exit status with a one-line message in *error: 1 for a file that
// cannot be read or written or a refused format, 3 when memory is short.
// Never leaves a partial .his file.
int RunScan(const ScanOptions& options, ScanSummary* summary, std::string* error);

// Writes the summary as the tool prints it.
std::string FormatScanSummary(const ScanOptions& options, const ScanSummary& summary);

// Time in seconds of a history slot at the program's 44100 Hz.
double SlotSeconds(const HistoryRecord& record);
