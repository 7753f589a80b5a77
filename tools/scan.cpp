#include "tools/scan.h"

#include "sys/settings_store.h"
#include "audio/stream_format.h"
#include "audio/wave_file.h"
#include "history/cue_store.h"
#include "history/history_file.h"
#include "meter/level_analysis.h"
#include "meter/meter_engine.h"
#include "sys/file_replace.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr double kRate = 44100.0;
constexpr uint32_t kWaitMs = 60000; // a display thread this late is stuck

const char kUsage[] =
    "usage: tenvelo-scan [options] INPUT.wav [-o OUTPUT.his]\n"
    "Measures a 16-bit stereo 44100 Hz WAVE file with the meter engine, faster than\n"
    "real time, and writes its level history (.his) beside it or to OUTPUT.his.\n"
    "\n"
    "  -o FILE                the history file to write\n"
    "  --fps N                display frames per second, 2..30 (10)\n"
    "  --delay SECONDS        measurement delay, 0..2 (0)\n"
    "  --attack DB_PER_S      turn the attack on at this rate, 0.1..96 (off)\n"
    "  --peak-fall DB_PER_S   peak release, 0.1..96 (6)\n"
    "  --average-fall DB_PER_S  average and RMS release, 0.1..96 (24)\n"
    "  --phase-release PER_S  correlation release, 0.1..30 (0.5)\n"
    "  --linear               linear (additive) release steps\n"
    "  --latency SECONDS      streaming buffer length, 0.001..1 (0.1)\n"
    "  --csv FILE             one row per history slot\n"
    "  --cue SECONDS=NAME     add a cue point (repeatable)\n"
    "  --demo                 scan the generated demo file (no INPUT needed)\n"
    "  --quiet                print nothing on success\n"
    "  --help                 this text\n";

bool ParseNumber(const char* text, double low, double high, double* out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    double v = std::strtod(text, &end);
    if (*end != 0 || !std::isfinite(v) || v < low || v > high) return false;
    *out = v;
    return true;
}

struct NumberOption {
    const char* name;
    double low, high;
    double ScanOptions::*field;
};

const NumberOption kNumberOptions[] = {
    {"--delay", 0.0, 2.0, &ScanOptions::delay},
    {"--attack", 0.1, 96.0, &ScanOptions::attack},
    {"--peak-fall", 0.1, 96.0, &ScanOptions::peakFall},
    {"--average-fall", 0.1, 96.0, &ScanOptions::averageFall},
    {"--phase-release", 0.1, 30.0, &ScanOptions::phaseRelease},
    {"--latency", 0.001, 1.0, &ScanOptions::latency},
};

// Applies the options to both parameter copies, recording on.
void ConfigureEngine(MeterEngine* engine, const ScanOptions& o) {
    MeterConfig config;
    MeterGetConfig(engine, &config);
    for (MeterParams* p : {&config.params, &config.params2}) {
        p->delay = float(o.delay);
        p->attackOn = o.attackOn ? 1 : 0;
        p->attack = float(o.attack);
        p->peakFall = float(o.peakFall);
        p->averageFall = float(o.averageFall);
        p->phaseRelease = float(o.phaseRelease);
        p->linearBallistics = o.linear ? 1 : 0;
        p->framesPerSecond = o.framesPerSecond;
        p->recordOn = 1;
    }
    MeterSetConfig(engine, &config);
    MeterSetFrameLossSwitches(engine, 0, 0);
    MeterZero(&engine);
}

void Track(float value, double at, float* best, double* bestAt, bool higher) {
    if (higher ? value > *best : value < *best) {
        *best = value;
        *bestAt = at;
    }
}

void Summarise(const HistoryStore& store, ScanSummary* s) {
    s->frames = store.recordCount;
    for (int32_t i = 0; i < store.recordCount; ++i) {
        const HistoryRecord& r = store.history[i];
        double at = SlotSeconds(r);
        Track(AmplitudeToDb(r.peakL), at, &s->peakDb[0], &s->peakAt[0], true);
        Track(AmplitudeToDb(r.peakR), at, &s->peakDb[1], &s->peakAt[1], true);
        Track(PowerToDb(r.powerL), at, &s->rmsDb[0], &s->rmsAt[0], true);
        Track(PowerToDb(r.powerR), at, &s->rmsDb[1], &s->rmsAt[1], true);
        Track(r.correlation, at, &s->lowestCorrelation, &s->lowestCorrelationAt, false);
    }
}

bool WriteCsv(const HistoryStore& store, const std::string& path, std::string* error) {
    std::string temp = path + ".tmp~";
    std::FILE* f = std::fopen(temp.c_str(), "w");
    if (!f) {
        *error = "cannot write " + path;
        return false;
    }
    bool ok = std::fprintf(f, "seconds,peak_l_db,rms_l_db,average_l_db,peak_r_db,rms_r_db,"
                              "average_r_db,correlation,flags\n") > 0;
    for (int32_t i = 0; ok && i < store.recordCount; ++i) {
        const HistoryRecord& r = store.history[i];
        ok = std::fprintf(f, "%.6f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.4f,%u\n", SlotSeconds(r),
                          AmplitudeToDb(r.peakL), PowerToDb(r.powerL), AmplitudeToDb(r.averageL),
                          AmplitudeToDb(r.peakR), PowerToDb(r.powerR), AmplitudeToDb(r.averageR),
                          r.correlation, unsigned(r.flags)) > 0;
    }
    ok = (std::fclose(f) == 0) && ok && FileReplace(temp.c_str(), path.c_str());
    if (!ok) {
        FileRemove(temp.c_str());
        *error = "cannot write " + path;
    }
    return ok;
}

// Detaches the settings store for the lifetime of a scan: a command-line
// run neither reads the user's meter settings nor saves them.
struct DetachedSettings {
    DetachedSettings() { SetSettingsDetached(1); }
    ~DetachedSettings() { SetSettingsDetached(0); }
};

struct EngineDeleter {
    void operator()(MeterEngine* e) const { MeterEngineDestroy(&e); }
};

// Runs every buffer that holds data frames through the engine, in buffers
// of the streaming size, and waits for the display thread to finish the
// last frame handed over. The file is read kBuffersPerRead buffers at a
// time into one reused block: the same bytes, far fewer system calls.
constexpr uint32_t kBuffersPerRead = 16;

int Measure(MeterEngine* engine, WaveFile* file, uint32_t bufferFrames, ScanSummary* summary,
            std::string* error) {
    const uint32_t bytes = bufferFrames * 4;
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[size_t(bytes) * kBuffersPerRead]);
    if (!block) {
        *error = "out of memory";
        return 3;
    }
    const uint64_t buffers = (uint64_t(file->dataLength) + bufferFrames - 1) / bufferFrames;
    for (uint64_t done = 0; done < buffers;) {
        const uint32_t n = uint32_t(std::min<uint64_t>(kBuffersPerRead, buffers - done));
        WaveFileRead(file, block.get(), bytes * n);
        for (uint32_t i = 0; i < n; ++i) AnalyseBuffer(&engine, block.get() + size_t(i) * bytes, bytes);
        done += n;
    }
    summary->buffers = uint32_t(buffers);
    if (!MeterWaitDisplayIdle(engine, kWaitMs)) {
        *error = "the display thread did not finish";
        return 3;
    }
    return 0;
}

} // namespace

double SlotSeconds(const HistoryRecord& record) { return double(record.samplePosition) / kRate; }

const char* ScanUsage() { return kUsage; }

std::string DefaultHistoryPath(const std::string& input) {
    size_t slash = input.find_last_of("/\\");
    size_t dot = input.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return input + ".his";
    return input.substr(0, dot) + ".his";
}

int ParseScanArguments(int argc, const char* const* argv, ScanOptions* o, std::string* error) {
    std::vector<std::string> inputs;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto need = [&](const char* what) {
            *error = arg + " needs " + what;
            return 0;
        };
        const NumberOption* number = nullptr;
        for (const NumberOption& n : kNumberOptions)
            if (arg == n.name) number = &n;
        if (number) {
            if (!value) return need("a value");
            if (!ParseNumber(value, number->low, number->high, &(o->*number->field))) {
                char range[64];
                std::snprintf(range, sizeof range, "a number from %g to %g", number->low, number->high);
                *error = arg + " " + value + ": needs " + range;
                return 0;
            }
            if (arg == "--attack") o->attackOn = true;
            ++i;
        } else if (arg == "--fps") {
            double fps;
            if (!value) return need("a value");
            if (!ParseNumber(value, 2, 30, &fps) || fps != std::floor(fps)) {
                *error = arg + " " + value + ": needs a whole number from 2 to 30";
                return 0;
            }
            o->framesPerSecond = int(fps);
            ++i;
        } else if (arg == "-o" || arg == "--csv") {
            if (!value || !*value) return need("a file name");
            (arg == "-o" ? o->output : o->csv) = value;
            ++i;
        } else if (arg == "--cue") {
            if (!value) return need("SECONDS=NAME");
            const char* eq = std::strchr(value, '=');
            ScanCue cue;
            if (!eq || !ParseNumber(std::string(value, eq).c_str(), 0, 1e9, &cue.seconds)) {
                *error = std::string("--cue ") + value + ": needs SECONDS=NAME";
                return 0;
            }
            cue.name = eq + 1;
            o->cues.push_back(cue);
            ++i;
        } else if (arg == "--linear") {
            o->linear = true;
        } else if (arg == "--demo") {
            o->demo = true;
        } else if (arg == "--quiet") {
            o->quiet = true;
        } else if (arg == "--help" || arg == "-h") {
            o->help = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option " + arg;
            return 0;
        } else {
            inputs.push_back(arg);
        }
    }
    if (o->help) return 1;
    if (inputs.size() > 1) {
        *error = "one input file only (got " + std::to_string(inputs.size()) + ")";
        return 0;
    }
    if (inputs.empty() && !o->demo) {
        *error = "no input file (try --help)";
        return 0;
    }
    if (!inputs.empty()) o->input = inputs[0];
    return 1;
}

int RunScan(const ScanOptions& o, ScanSummary* summary, std::string* error) {
    WaveFile file;
    int code = WaveFileOpen(&file, o.input.c_str());
    if (code != kWaveOpened) {
        static const char* const kWhy[] = {"", "", "cannot open the file", "not a RIFF WAVE file",
                                           "no usable format chunk", "no data chunk"};
        *error = o.input + ": " + kWhy[code < 6 ? code : 2];
        return 1;
    }
    if (!WaveFileFormatAccepted(&file)) {
        char why[160];
        std::snprintf(why, sizeof why, ": refused format (%u Hz, %u channels, %u bits; needs 44100 Hz, 2 channels, 16 bits)",
                      unsigned(file.format.sampleRate), unsigned(file.format.channels),
                      unsigned(file.format.bitsPerSample));
        *error = o.input + why;
        WaveFileClose(&file);
        return 1;
    }

    DetachedSettings detached; // outlives the engine, whose end would save them
    std::unique_ptr<MeterEngine, EngineDeleter> engine(MeterEngineCreate());
    MeterEngine* e = engine.get();
    if (!e || !e->frame.history.history || !MeterSetFormat(&e, float(kRate), 2)) {
        *error = "out of memory";
        WaveFileClose(&file);
        return 3;
    }
    ConfigureEngine(e, o);
    summary->seconds = file.dataLength / kRate;
    const uint32_t frames = StreamFramesForLatency(44100, float(o.latency), 4);
    code = Measure(e, &file, frames, summary, error);
    WaveFileClose(&file);
    if (code) return code;

    HistoryStore& store = e->frame.history;
    for (const ScanCue& cue : o.cues)
        CueInsert(&store, int64_t(std::llround(cue.seconds * kRate)), cue.name.c_str());
    Summarise(store, summary);

    const std::string out = o.output.empty() ? DefaultHistoryPath(o.input) : o.output;
    if (WriteHistory(&store, out.c_str(), kRate, e->historyStartTime) != 0) {
        *error = store.recordCount ? "cannot write " + out : "nothing recorded: the file is too short";
        return 1;
    }
    if (!o.csv.empty() && !WriteCsv(store, o.csv, error)) return 1;
    return 0;
}

std::string FormatScanSummary(const ScanOptions& o, const ScanSummary& s) {
    char text[1024];
    std::snprintf(text, sizeof text,
                  "file          %s\n"
                  "duration      %.3f s (%u buffers)\n"
                  "frames        %d recorded at %d per second\n"
                  "peak left     %7.2f dB at %.2f s\n"
                  "peak right    %7.2f dB at %.2f s\n"
                  "rms left      %7.2f dB at %.2f s\n"
                  "rms right     %7.2f dB at %.2f s\n"
                  "correlation   %+7.3f lowest at %.2f s\n"
                  "history       %s\n",
                  o.input.c_str(), s.seconds, unsigned(s.buffers), int(s.frames),
                  o.framesPerSecond, s.peakDb[0], s.peakAt[0], s.peakDb[1], s.peakAt[1],
                  s.rmsDb[0], s.rmsAt[0], s.rmsDb[1], s.rmsAt[1], s.lowestCorrelation,
                  s.lowestCorrelationAt,
                  (o.output.empty() ? DefaultHistoryPath(o.input) : o.output).c_str());
    return text;
}
