// Measuring whole WAVE files offline with the meter engine, as playback
// would: buffers of the streaming size through the analysis, recording on,
// no frame lost. The frame work runs on the measuring thread (an inline
// engine) while the file is read ahead on another. Used by tenvelo-scan.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/sound_file.h"
#include "audio/wave_file.h"
#include "meter/loudness.h"
#include "tools/scan_passages.h"
#include "tools/scan_reader.h"

struct HistoryRecord;
struct MeterEngine;

// What a run, and each file's scan, ends with: the exit status.
enum ScanStatus {
    kScanDone = 0,         // every file measured and written
    kScanFileFailed = 1,   // a file could not be read, measured or written
    kScanBadArguments = 2, // the command line was refused
    kScanNoMemory = 3,     // memory was short
};

struct ScanCue {
    double seconds;
    std::string name;
};

struct ScanOptions {
    std::vector<std::string> inputs; // the WAVE files, in command-line order
    std::string input;               // the file one scan measures (the single input)
    std::string output;              // -o: the .his file of a single input; empty: derived
    std::string outDir;   // --out-dir: folder for every .his (and CSV); empty: beside the input
    std::string csv;      // --csv: the CSV file of a single input; empty: none
    bool csvEach = false; // --csv-each: a CSV beside every .his
    int jobs = 0;         // threads to use; 0: the number of cores
    int framesPerSecond = 10;
    double delay = 0.0; // seconds, both channels
    bool attackOn = false;
    double attack = 24.0;  // dB per second while attackOn
    double peakFall = 6.0; // dB per second
    double averageFall = 24.0;
    double phaseRelease = 0.5; // per second
    bool linear = false;       // additive release steps
    double latency = 0.1;      // seconds: the streaming buffer size
    std::vector<ScanCue> cues;
    bool loudness = false; // --loudness
    std::string json;      // --json: the JSON summary's file, "-" for standard output; empty: none
    PassageRules autoCues; // --auto-cues and the limits of its kinds
    bool demo = false;     // scan the generated demo file
    bool quiet = false;
    bool help = false;
};

// Parses the command line (argv[0] is skipped). Returns 1 on success; 0 with
// a one-line message in *error for an unknown option, a missing or bad value,
// a value out of its range, or -o / --csv FILE with several inputs.
int ParseScanArguments(int argc, const char* const* argv, ScanOptions* options, std::string* error);

// The usage text of --help.
const char* ScanUsage();

// The file a path names, as a key: two paths name one file when their keys
// are equal. Symbolic links and "." or ".." are resolved where they exist
// (hard links are not told apart).
std::string PathKey(const std::string& path);

// The input's name with its extension replaced by ".his".
std::string DefaultHistoryPath(const std::string& input);

// Where the scan of input writes its history: -o, else the default name in
// --out-dir, else beside the input.
std::string ScanHistoryPath(const ScanOptions& options, const std::string& input);

// Where it writes its CSV: --csv, else with --csv-each the history path
// with ".csv" for ".his"; empty for none.
std::string ScanCsvPath(const ScanOptions& options, const std::string& input);

// The threads a run uses: --jobs, or the number of cores (at least 1).
int ScanThreads(const ScanOptions& options);

// One channel's sample peak and RMS over the whole file, in dB.
struct ScanChannel {
    char name[8]; // "L", "R", "C", "LFE", "Ls"... or "ch 7" where the file names no speaker
    float peakDb;
    float rmsDb;
};

// Extreme values of a scan and the times (seconds) they were reached.
struct ScanSummary {
    double sampleRate = 44100;              // the file's
    uint32_t channels = 2;                  // the file's
    bool programFormat = true;              // 16-bit stereo 44100 Hz: read as the program reads it
    std::string kind;                       // what the reader found, e.g. "WAVE 24-bit PCM"
    bool truncated = false;                 // the data ends before its chunk says
    uint64_t framesRead = 0;                // frames the file holds (and were measured)
    uint64_t framesClaimed = 0;             // frames its data chunk claims
    uint64_t invalidSamples = 0;            // NaN and infinite samples, measured as silence
    std::vector<ScanChannel> channelLevels; // every channel's, for more than two channels
    double seconds = 0;                     // the file's duration
    int32_t frames = 0;                     // history slots recorded
    uint32_t buffers = 0;                   // buffers analysed
    float peakDb[2] = {-200, -200};
    double peakAt[2] = {0, 0};
    float rmsDb[2] = {-200, -200};
    double rmsAt[2] = {0, 0};
    float lowestCorrelation = 1.0f;
    double lowestCorrelationAt = 0;
    bool loudnessMeasured = false; // --loudness: loudness holds the file's
    LoudnessResult loudness{};
    std::vector<ScanCue> cues; // the history's cues, in time order
    uint32_t cuesLeftOut = 0;  // cues (given or found) the full history had no room for
};

// Told after each block how much of the file was measured: its share of the
// file's bytes (of the sample data, or of a compressed file's whole size)
// and the seconds of sound it held. Called on the measuring thread; must be
// cheap.
struct ScanProgress {
    void (*advance)(void* context, uint64_t bytes, double seconds);
    void* context;
};

// What one measuring thread keeps from file to file: an inline engine with
// the default meter values, and the read blocks.
struct ScanWorker {
    MeterEngine* engine;
    ScanReader reader;
    LoudnessMeter loudness; // with --loudness
    PassageFinder passages; // with --auto-cues
    // The file being measured: the reader that describes it, and for the
    // program's own format the program's reader too.
    SoundFile sound;
    WaveFile wave;
    std::vector<float> stereo; // a buffer's two history channels, for other formats
    uint32_t loudnessFrames;   // frames the loudness meter takes at a time
    double bytesPerFrame;      // the file's bytes per frame, for the progress
};

// Makes the worker, value-initialised by the caller, for options' latency.
// Returns 1 on success, 0 when memory is short (the worker is then freed).
int ScanWorkerInit(ScanWorker* worker, const ScanOptions& options);

// Frees the worker. Safe on a zeroed or freed worker.
void ScanWorkerFree(ScanWorker* worker);

// Scans input with options and writes its history (and CSV) where
// ScanHistoryPath and ScanCsvPath say. Every WAVE file is read (integer and
// float PCM, extensible, RF64), natively every container libsndfile reads
// too, at its own rate: the history carries the front left and right (a
// mono file's one channel in both), the loudness every channel. A 16-bit
// stereo 44100 Hz file is read as the program reads it, so its history is
// byte for byte the one the live engine records. A file whose data ends
// before its chunk says is measured to where it ends (summary.truncated).
// readAhead reads on a second thread. progress may be null. Returns
// kScanDone with *summary filled; otherwise kScanFileFailed for a file that
// cannot be read or written or a refused format, or kScanNoMemory, with a
// one-line message in *error. A failed scan leaves no new or partial
// history or CSV, and an existing one unchanged.
int ScanWorkerRun(ScanWorker* worker, const ScanOptions& options, const std::string& input,
                  bool readAhead, const ScanProgress* progress, ScanSummary* summary,
                  std::string* error);

// Applies options to both parameter copies of the engine, recording on, no
// frame lost, and empties it for a new file: a reused engine then measures
// exactly as a new one.
void ConfigureScanEngine(MeterEngine* engine, const ScanOptions& options);

// One scan of options.input on a worker of its own, reading ahead when
// ScanThreads allows two threads. Same results as ScanWorkerRun.
int RunScan(const ScanOptions& options, ScanSummary* summary, std::string* error);

// The summary line of one scanned file, without a newline.
std::string FormatScanLine(const ScanOptions& options, const std::string& input,
                           const ScanSummary& summary);

// Time in seconds of a history slot of a stream at sampleRate.
double SlotSeconds(const HistoryRecord& record, double sampleRate);
