#include "tools/scan.h"

#include "audio/sound_others.h"
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
#include <filesystem>
#include <thread>

namespace {

constexpr int kMaxJobs = 64;

// A read block holds this many bytes or one buffer, whichever is more:
// large enough that a read costs little beside its copy, small enough that
// the blocks stay in the CPU's second-level cache.
constexpr uint32_t kReadBlockBytes = 16 * 17632;

const char kUsage[] =
    "usage: tenvelo-scan [options] INPUT.wav... [-o OUTPUT.his]\n"
    "Measures sound files (every WAVE file; on Linux also FLAC, AIFF, Ogg, CAF, W64,\n"
    "MP3) with the meter engine, faster than real time, and writes each level\n"
    "history (.his) beside its input.\n"
    "\n"
    "  -o FILE                the history file to write (a single input only)\n"
    "  --out-dir DIR          write every history (and CSV) into DIR instead\n"
    "  --jobs N               threads to use, 1..64 (the number of cores): files are\n"
    "                         scanned side by side, a single one reads on its own thread\n"
    "  --fps N                display frames per second, 2..30 (10)\n"
    "  --delay SECONDS        measurement delay, 0..2 (0)\n"
    "  --attack DB_PER_S      turn the attack on at this rate, 0.1..96 (off)\n"
    "  --peak-fall DB_PER_S   peak release, 0.1..96 (6)\n"
    "  --average-fall DB_PER_S  average and RMS release, 0.1..96 (24)\n"
    "  --phase-release PER_S  correlation release, 0.1..30 (0.5)\n"
    "  --linear               linear (additive) release steps\n"
    "  --latency SECONDS      streaming buffer length, 0.001..1 (0.1)\n"
    "  --csv FILE             one row per history slot (a single input only)\n"
    "  --csv-each             a CSV beside every history file (NAME.csv)\n"
    "  --cue SECONDS=NAME     add a cue point (repeatable)\n"
    "  --loudness             integrated loudness, loudness range, maximum momentary and\n"
    "                         short-term loudness, true peak; per slot in the CSV\n"
    "  --auto-cues[=KINDS]    a cue at each passage found, KINDS of clip,phase,silence (all)\n"
    "  --clip-run N           full-scale samples in a row that are clipping, 1..1000 (3)\n"
    "  --phase-below C        correlation limit, -1..1 (-0.2), --phase-seconds S (1)\n"
    "  --silence-below DB     level both channels stay below, -120..0 (-60),\n"
    "                         --silence-seconds S (2)\n"
    "  --json FILE            a JSON summary of every input (- for standard output)\n"
    "  --demo                 scan the generated demo file (no INPUT needed)\n"
    "  --quiet                print nothing but errors\n"
    "  --help                 this text\n"
    "One line per file; a file that fails gets its error and the others go on.\n"
    "Exit status: 0 all written, 1 a file failed, 2 bad arguments, 3 out of memory.\n";

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

// The passage rules' limits, fields of ScanOptions::autoCues.
struct RuleOption {
    const char* name;
    double low, high;
    double PassageRules::*field;
};

const RuleOption kRuleOptions[] = {
    {"--phase-below", -1.0, 1.0, &PassageRules::phaseBelow},
    {"--phase-seconds", 0.01, 3600.0, &PassageRules::phaseSeconds},
    {"--silence-below", -120.0, 0.0, &PassageRules::silenceDb},
    {"--silence-seconds", 0.01, 3600.0, &PassageRules::silenceSeconds},
};

struct WholeOption {
    const char* name;
    int low, high;
    int ScanOptions::*field;
};

const WholeOption kWholeOptions[] = {
    {"--fps", 2, 30, &ScanOptions::framesPerSecond},
    {"--jobs", 1, kMaxJobs, &ScanOptions::jobs},
    {"--clip-run", 1, 1000, nullptr}, // no field of its own: autoCues.clipRun
};

struct PathOption {
    const char* name;
    const char* what;
    std::string ScanOptions::*field;
};

const PathOption kPathOptions[] = {
    {"-o", "a file name", &ScanOptions::output},
    {"--csv", "a file name", &ScanOptions::csv},
    {"--out-dir", "a folder", &ScanOptions::outDir},
    {"--json", "a file name or -", &ScanOptions::json},
};

struct SwitchOption {
    const char* name;
    bool ScanOptions::*field;
};

const SwitchOption kSwitchOptions[] = {
    {"--linear", &ScanOptions::linear},     {"--csv-each", &ScanOptions::csvEach},
    {"--demo", &ScanOptions::demo},         {"--quiet", &ScanOptions::quiet},
    {"--help", &ScanOptions::help},         {"-h", &ScanOptions::help},
    {"--loudness", &ScanOptions::loudness},
};

// --auto-cues alone, or =KINDS: a comma-separated list of clip, phase, silence.
bool ParseAutoCues(const std::string& arg, PassageRules* rules, std::string* error) {
    static const struct {
        const char* name;
        int kind;
    } kKinds[] = {{"clip", kPassageClip}, {"phase", kPassagePhase}, {"silence", kPassageSilence}};
    if (arg == "--auto-cues") {
        rules->kinds = kPassageClip | kPassagePhase | kPassageSilence;
        return true;
    }
    std::string list = arg.substr(std::strlen("--auto-cues="));
    int kinds = 0;
    for (size_t at = 0; at <= list.size();) {
        const size_t comma = std::min(list.find(',', at), list.size());
        const std::string word = list.substr(at, comma - at);
        int kind = 0;
        for (const auto& k : kKinds)
            if (word == k.name) kind = k.kind;
        if (!kind) {
            *error = arg + ": needs kinds of clip, phase, silence";
            return false;
        }
        kinds |= kind;
        at = comma + 1;
    }
    rules->kinds = kinds;
    return true;
}

template <typename T, size_t N> const T* FindOption(const T (&table)[N], const std::string& arg) {
    for (const T& entry : table)
        if (arg == entry.name) return &entry;
    return nullptr;
}

// Options that take a value. Returns 1 when arg was one (and took value), 0
// when it was not, -1 on an error.
int ParseValueOption(const std::string& arg, const char* value, ScanOptions* o,
                     std::string* error) {
    const NumberOption* number = FindOption(kNumberOptions, arg);
    const RuleOption* rule = FindOption(kRuleOptions, arg);
    const WholeOption* whole = FindOption(kWholeOptions, arg);
    const PathOption* path = FindOption(kPathOptions, arg);
    if (!number && !rule && !whole && !path && arg != "--cue") return 0;
    if (!value || (path && !*value)) {
        *error = arg + " needs " +
                 (path             ? path->what
                  : arg == "--cue" ? "SECONDS=NAME"
                                   : "a value");
        return -1;
    }
    char range[64];
    if (number) {
        if (ParseNumber(value, number->low, number->high, &(o->*number->field))) {
            if (arg == "--attack") o->attackOn = true;
            return 1;
        }
        std::snprintf(range, sizeof range, "a number from %g to %g", number->low, number->high);
    } else if (rule) {
        if (ParseNumber(value, rule->low, rule->high, &(o->autoCues.*rule->field))) return 1;
        std::snprintf(range, sizeof range, "a number from %g to %g", rule->low, rule->high);
    } else if (whole) {
        double v;
        if (ParseNumber(value, whole->low, whole->high, &v) && v == std::floor(v)) {
            (whole->field ? o->*whole->field : o->autoCues.clipRun) = int(v);
            return 1;
        }
        std::snprintf(range, sizeof range, "a whole number from %d to %d", whole->low, whole->high);
    } else if (path) {
        o->*path->field = value;
        return 1;
    } else {
        const char* eq = std::strchr(value, '=');
        ScanCue cue;
        if (eq && ParseNumber(std::string(value, eq).c_str(), 0, 1e9, &cue.seconds)) {
            cue.name = eq + 1;
            o->cues.push_back(cue);
            return 1;
        }
        std::snprintf(range, sizeof range, "SECONDS=NAME");
    }
    *error = arg + " " + value + ": needs " + range;
    return -1;
}

// Options that name one file cannot serve several inputs.
bool CheckInputs(const ScanOptions& o, std::string* error) {
    const size_t n = o.inputs.size();
    if (n == 0 && !o.demo) {
        *error = "no input file (try --help)";
        return false;
    }
    if (!o.output.empty() && !o.outDir.empty()) {
        *error = "-o and --out-dir exclude each other";
        return false;
    }
    // An output named like an input would overwrite the recording it measures.
    for (const std::string* out : {&o.output, &o.csv, &o.json}) {
        for (const std::string& input : o.inputs) {
            if (out->empty() || *out == "-" || PathKey(*out) != PathKey(input)) continue;
            *error = "the output " + *out + " is the input " + input;
            return false;
        }
    }
    if (n > 1 && (!o.output.empty() || !o.csv.empty())) {
        const bool his = !o.output.empty();
        *error = std::string(his ? "-o" : "--csv") + " names the file of a single input (got " +
                 std::to_string(n) + " inputs): use " + (his ? "--out-dir" : "--csv-each");
        return false;
    }
    return true;
}

void Track(float value, double at, float* best, double* bestAt, bool higher) {
    if (higher ? value > *best : value < *best) {
        *best = value;
        *bestAt = at;
    }
}

void Summarise(const HistoryStore& store, ScanSummary* s) {
    const double rate = s->sampleRate;
    s->frames = store.recordCount;
    for (int32_t i = 0; i < store.recordCount; ++i) {
        const HistoryRecord& r = store.history[i];
        double at = SlotSeconds(r, rate);
        Track(AmplitudeToDb(r.peakL), at, &s->peakDb[0], &s->peakAt[0], true);
        Track(AmplitudeToDb(r.peakR), at, &s->peakDb[1], &s->peakAt[1], true);
        Track(PowerToDb(r.powerL), at, &s->rmsDb[0], &s->rmsAt[0], true);
        Track(PowerToDb(r.powerR), at, &s->rmsDb[1], &s->rmsAt[1], true);
        Track(r.correlation, at, &s->lowestCorrelation, &s->lowestCorrelationAt, false);
    }
}

// Writes the CSV, with each slot's momentary and short-term loudness when
// loudness is given.
bool WriteCsv(FileSink* f, const HistoryStore& store, double rate, const LoudnessMeter* loudness) {
    char line[256];
    int n = std::snprintf(line, sizeof line,
                          "seconds,peak_l_db,rms_l_db,average_l_db,peak_r_db,rms_r_db,"
                          "average_r_db,correlation,flags%s\n",
                          loudness ? ",momentary_lufs,short_term_lufs" : "");
    bool ok = n > 0 && size_t(n) < sizeof line && FileSinkWrite(f, line, size_t(n));
    for (int32_t i = 0; ok && i < store.recordCount; ++i) {
        const HistoryRecord& r = store.history[i];
        n = std::snprintf(line, sizeof line, "%.6f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.4f,%u",
                          SlotSeconds(r, rate), AmplitudeToDb(r.peakL), PowerToDb(r.powerL),
                          AmplitudeToDb(r.averageL), AmplitudeToDb(r.peakR), PowerToDb(r.powerR),
                          AmplitudeToDb(r.averageR), r.correlation, unsigned(r.flags));
        const uint64_t at = r.samplePosition > 0 ? uint64_t(r.samplePosition) : 0;
        if (n > 0 && size_t(n) < sizeof line && loudness)
            n +=
                std::snprintf(line + n, sizeof line - size_t(n), ",%.2f,%.2f",
                              LoudnessMomentaryAt(loudness, at), LoudnessShortTermAt(loudness, at));
        ok = n > 0 && size_t(n) + 1 < sizeof line;
        if (ok) line[n++] = '\n';
        ok = ok && FileSinkWrite(f, line, size_t(n));
    }
    return ok;
}

// The history and the CSV, each replaced whole: on any failure neither file
// is new, and the CSV (prepared first) only moves in once the history did.
int WriteOutputs(MeterEngine* e, double rate, const LoudnessMeter* loudness, const std::string& his,
                 const std::string& csv, std::string* error) {
    const HistoryStore& store = e->frame.history;
    if (store.recordCount == 0) {
        *error = "nothing recorded: the file is too short";
        return kScanFileFailed;
    }
    FileReplacement csvFile;
    if (!csv.empty() &&
        !FileReplacementPrepare(&csvFile, csv.c_str(), kFileReplaceText,
                                [&](FileSink* f) { return WriteCsv(f, store, rate, loudness); })) {
        *error = "cannot write " + csv;
        return kScanFileFailed;
    }
    if (WriteHistory(&store, his.c_str(), rate, e->historyStartTime) != 0) {
        FileReplacementAbandon(&csvFile);
        *error = "cannot write " + his;
        return kScanFileFailed;
    }
    if (!csv.empty() && !FileReplacementCommit(&csvFile)) {
        *error = "cannot write " + csv;
        return kScanFileFailed;
    }
    return 0;
}

// Whether the open sound file holds the program's own format, 16-bit
// integer stereo at 44100 Hz, which the program's reader then reads too.
bool ProgramFormat(const SoundFile& sound) {
    const SoundFormat& f = sound.format;
    return sound.container != kSoundOther && f.subFormat == 1 && f.bitsPerSample == 16 &&
           f.validBits == 16 && f.channels == kProgramStreamFormat.channels &&
           f.sampleRate == kProgramStreamFormat.sampleRate;
}

// Opens input with the sound file reader, and for the program's format
// with the program's reader too (summary->programFormat). Returns
// kScanDone, or kScanFileFailed with the reader's one-line reason.
int OpenInput(ScanWorker* w, const std::string& input, ScanSummary* s, std::string* error) {
    std::error_code ec;
    if (std::filesystem::is_directory(input, ec)) { // stdio opens folders too
        *error = "a folder, not a file";
        return kScanFileFailed;
    }
    if (SoundFileOpen(&w->sound, input.c_str(), SoundOtherReaders()) != kSoundOpened) {
        *error = w->sound.why;
        return kScanFileFailed;
    }
    const SoundFile& sound = w->sound;
    s->programFormat = ProgramFormat(sound) && WaveFileOpen(&w->wave, input.c_str()) == kWaveOpened;
    s->sampleRate = sound.format.sampleRate;
    s->channels = sound.format.channels;
    s->kind = sound.kind;
    s->framesRead = sound.frames;
    s->framesClaimed = sound.framesClaimed;
    s->truncated = sound.truncated;
    // A compressed file's frames share its whole size.
    const uintmax_t fileBytes = std::filesystem::file_size(input, ec);
    w->bytesPerFrame = sound.handle || ec || sound.frames == 0
                           ? double(sound.format.blockAlign)
                           : double(fileBytes) / double(sound.frames);
    return kScanDone;
}

void CloseInput(ScanWorker* w, const ScanSummary& s) {
    if (s.programFormat) WaveFileClose(&w->wave);
    SoundFileClose(&w->sound);
}

// Speaker names for the channel list.
void ChannelName(const SoundFile& sound, int channel, char* out, size_t size) {
    static const struct {
        uint32_t speaker;
        const char* name;
    } kNames[] = {{kSpeakerFrontLeft, "L"},          {kSpeakerFrontRight, "R"},
                  {kSpeakerFrontCenter, "C"},        {kSpeakerLowFrequency, "LFE"},
                  {kSpeakerBackLeft, "Ls"},          {kSpeakerBackRight, "Rs"},
                  {kSpeakerFrontLeftOfCenter, "Lc"}, {kSpeakerFrontRightOfCenter, "Rc"},
                  {kSpeakerBackCenter, "Cs"},        {kSpeakerSideLeft, "Lsd"},
                  {kSpeakerSideRight, "Rsd"},        {kSpeakerTopCenter, "Tc"},
                  {kSpeakerTopFrontLeft, "Tfl"},     {kSpeakerTopFrontCenter, "Tfc"},
                  {kSpeakerTopFrontRight, "Tfr"},    {kSpeakerTopBackLeft, "Tbl"},
                  {kSpeakerTopBackCenter, "Tbc"},    {kSpeakerTopBackRight, "Tbr"}};
    for (const auto& n : kNames)
        if (sound.speakers[channel] == n.speaker) {
            std::snprintf(out, size, "%s", n.name);
            return;
        }
    std::snprintf(out, size, "ch %d", (channel + 1) % 10); // 1..8
}

// The channels the history carries: the front left and right, a mono
// file's one channel twice, else the first two.
void HistoryChannels(const SoundFile& sound, int* left, int* right) {
    if (sound.format.channels == 1) {
        *left = *right = 0;
        return;
    }
    *left = SoundFileChannelOf(&sound, kSpeakerFrontLeft);
    *right = SoundFileChannelOf(&sound, kSpeakerFrontRight);
    if (*left < 0 || *right < 0) {
        *left = 0;
        *right = 1;
    }
}

// The history's two channels of frames frames of `channels`.
void PickChannels(const float* samples, uint32_t frames, uint32_t channels, int left, int right,
                  float* stereo) {
    for (uint32_t k = 0; k < frames; ++k, samples += channels) {
        stereo[2 * k] = samples[left];
        stereo[2 * k + 1] = samples[right];
    }
}

// Each channel's largest magnitude and sum of squares, for the channel list.
void AddChannelLevels(const float* samples, uint32_t frames, uint32_t channels, double* peak,
                      double* squares) {
    for (uint32_t k = 0; k < frames; ++k, samples += channels)
        for (uint32_t c = 0; c < channels; ++c) {
            const double x = samples[c];
            peak[c] = std::max(peak[c], std::fabs(x));
            squares[c] += x * x;
        }
}

// Runs every buffer the reader delivers through the engine, in buffers of
// the streaming size, and through the loudness meter and the passage
// finder when they are on (the file's frames only, not the last buffer's
// padding). Bytes of the program's format, or float frames of any other:
// the two history channels go to the engine and the finder, every channel
// to the loudness meter and the channel levels.
void Measure(ScanWorker* w, const ScanOptions& o, ScanSummary* s, const ScanProgress* progress) {
    const uint64_t fileFrames = s->framesRead;
    const uint32_t channels = s->programFormat ? 2 : s->channels;
    const uint32_t bytes = w->reader.bufferBytes;
    const uint32_t frames = bytes / (s->programFormat ? 4 : 4 * channels);
    int left = 0, right = 1;
    HistoryChannels(w->sound, &left, &right);
    std::vector<double> peak(channels, 0.0), squares(channels, 0.0);
    uint64_t done = 0, measured = 0;
    uint32_t n = 0;
    while (const uint8_t* block = ScanReaderNext(&w->reader, &n)) {
        for (uint32_t i = 0; i < n; ++i) {
            const uint8_t* buffer = block + size_t(i) * bytes;
            const uint32_t real = uint32_t(std::min<uint64_t>(frames, fileFrames - measured));
            measured += real;
            if (s->programFormat) {
                AnalyseBuffer(&w->engine, buffer, bytes);
                if (o.loudness) LoudnessAdd(&w->loudness, buffer, real);
                if (o.autoCues.kinds) PassageFinderAdd(&w->passages, buffer, real);
                continue;
            }
            const float* samples = reinterpret_cast<const float*>(buffer);
            const float* stereo = samples; // a stereo file's own frames
            if (channels != 2 || left != 0 || right != 1) {
                stereo = w->stereo.data();
                PickChannels(samples, frames, channels, left, right, w->stereo.data());
            }
            if (channels > 2) AddChannelLevels(samples, real, channels, &peak[0], &squares[0]);
            AnalyseFloatBuffer(&w->engine, stereo, frames);
            for (uint32_t at = 0; o.loudness && at < real; at += w->loudnessFrames) {
                const uint32_t part = std::min(real - at, w->loudnessFrames);
                LoudnessAddFloat(&w->loudness, samples + size_t(at) * channels, part);
            }
            if (o.autoCues.kinds) PassageFinderAddFloat(&w->passages, stereo, real);
        }
        if (progress) {
            const uint64_t now = std::min<uint64_t>(done + uint64_t(n) * frames, fileFrames);
            progress->advance(progress->context, uint64_t(double(now - done) * w->bytesPerFrame),
                              double(now - done) / s->sampleRate);
            done = now;
        }
    }
    if (s->programFormat || channels <= 2) return;
    for (uint32_t c = 0; c < channels; ++c) {
        ScanChannel level{};
        ChannelName(w->sound, int(c), level.name, sizeof level.name);
        level.peakDb = AmplitudeToDb(float(peak[c]));
        level.rmsDb = PowerToDb(fileFrames ? float(squares[c] / double(fileFrames)) : 0.0f);
        s->channelLevels.push_back(level);
    }
}

// The cues of --cue, then those of the passages found, into the history in
// time order while it has room; the summary keeps what it holds.
void InsertCues(const ScanOptions& o, const PassageFinder* finder, HistoryStore* store,
                ScanSummary* s) {
    const double rate = s->sampleRate;
    uint32_t refused = 0;
    for (const ScanCue& cue : o.cues)
        refused += !CueInsert(store, int64_t(std::llround(cue.seconds * rate)), cue.name.c_str());
    if (o.autoCues.kinds) {
        char name[kCueNameSize];
        for (uint32_t k = 0; k < finder->count; ++k) {
            PassageName(finder->found[k], rate, name, sizeof name);
            refused += !CueInsert(store, finder->found[k].start, name);
        }
        refused += finder->total - finder->count;
    }
    s->cuesLeftOut = refused;
    s->cues.clear();
    for (int32_t k = 1; k <= CueCount(store); ++k) {
        const CueRecord* cue = CueAt(store, k);
        s->cues.push_back({double(cue->samplePosition) / rate, cue->name});
    }
}

} // namespace

void ConfigureScanEngine(MeterEngine* engine, const ScanOptions& o) {
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
    MeterResetHistory(engine);
    MeterRewindRings(engine);
    MeterZero(&engine);
}

std::string PathKey(const std::string& path) {
    // Absolute first: a relative path none of whose parts exist would
    // otherwise stay relative while "./" before it resolves.
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (ec) return std::filesystem::path(path).lexically_normal().string();
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, ec);
    return (ec ? absolute.lexically_normal() : resolved).string();
}

double SlotSeconds(const HistoryRecord& record, double sampleRate) {
    return double(record.samplePosition) / sampleRate;
}

const char* ScanUsage() {
    return kUsage;
}

std::string DefaultHistoryPath(const std::string& input) {
    size_t slash = input.find_last_of("/\\");
    size_t dot = input.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return input + ".his";
    return input.substr(0, dot) + ".his";
}

std::string ScanHistoryPath(const ScanOptions& o, const std::string& input) {
    if (!o.output.empty()) return o.output;
    std::string his = DefaultHistoryPath(input);
    if (o.outDir.empty()) return his;
    const size_t slash = his.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? his : his.substr(slash + 1);
    const char last = o.outDir.back();
    return o.outDir + (last == '/' || last == '\\' ? "" : "/") + name;
}

std::string ScanCsvPath(const ScanOptions& o, const std::string& input) {
    if (!o.csv.empty()) return o.csv;
    if (!o.csvEach) return "";
    std::string his = ScanHistoryPath(o, input);
    const size_t slash = his.find_last_of("/\\");
    const size_t dot = his.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) his.resize(dot);
    return his + ".csv";
}

int ScanThreads(const ScanOptions& o) {
    if (o.jobs > 0) return o.jobs;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores < 1 ? 1 : cores > unsigned(kMaxJobs) ? kMaxJobs : int(cores);
}

int ParseScanArguments(int argc, const char* const* argv, ScanOptions* o, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const int taken = ParseValueOption(arg, i + 1 < argc ? argv[i + 1] : nullptr, o, error);
        if (taken < 0) return 0;
        if (taken > 0) {
            ++i;
        } else if (const SwitchOption* s = FindOption(kSwitchOptions, arg)) {
            o->*s->field = true;
        } else if (arg.rfind("--auto-cues", 0) == 0 && (arg.size() == 11 || arg[11] == '=')) {
            if (!ParseAutoCues(arg, &o->autoCues, error)) return 0;
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option " + arg;
            return 0;
        } else {
            o->inputs.push_back(arg);
        }
    }
    if (o->help) return 1;
    if (!CheckInputs(*o, error)) return 0;
    if (o->inputs.size() == 1) o->input = o->inputs[0];
    return 1;
}

namespace {

// Frames of one streaming buffer at a rate: as the program sizes its own.
uint32_t BufferFrames(const ScanOptions& o, uint32_t rate) {
    return StreamFramesForLatency(rate, float(o.latency), 4);
}

// Makes the worker's engine, reader and meters ready for the open file.
// Returns kScanDone, or kScanNoMemory.
int PrepareFor(ScanWorker* w, const ScanOptions& o, ScanSummary* s, const std::string& input,
               bool readAhead) {
    const uint32_t rate = uint32_t(s->sampleRate);
    const uint32_t frames =
        s->programFormat ? w->reader.programBufferBytes / 4 : BufferFrames(o, rate);
    const uint64_t buffers = (s->framesRead + frames - 1) / frames;
    s->buffers = uint32_t(buffers);
    if (!MeterSetFormat(&w->engine, float(rate), 2)) return kScanNoMemory;
    if (s->programFormat) {
        ScanReaderStart(&w->reader, &w->wave, buffers, readAhead);
    } else {
        if (w->stereo.size() < 2 * size_t(frames)) w->stereo.resize(2 * size_t(frames));
        if (!ScanReaderStartSound(&w->reader, &w->sound, input.c_str(), SoundOtherReaders(), frames,
                                  buffers, readAhead))
            return kScanNoMemory;
    }
    const LoudnessFormat format = LoudnessFormatOf(rate, s->channels, w->sound.channelMask);
    if (o.loudness && !LoudnessStart(&w->loudness, s->framesRead, format)) return kScanNoMemory;
    // The format's largest positive sample: float has none short of 1.0.
    const SoundFormat& f = w->sound.format;
    const float clipLevel =
        f.subFormat == 3 ? 1.0f : float(1.0 - std::ldexp(1.0, -(int(f.validBits) - 1)));
    if (o.autoCues.kinds) PassageFinderStart(&w->passages, o.autoCues, rate, clipLevel);
    return kScanDone;
}

} // namespace

int ScanWorkerInit(ScanWorker* w, const ScanOptions& o) {
    const uint32_t bytes = BufferFrames(o, kProgramStreamFormat.sampleRate) * 4;
    const uint32_t blockBuffers = std::max<uint32_t>(1, kReadBlockBytes / bytes);
    w->loudnessFrames = bytes / 4;
    w->engine = MeterEngineCreateInline(nullptr);
    if (w->engine) w->engine->fixedDelay = 1; // a file's delay is the options' throughout
    if (w->engine && w->engine->frame.history.history &&
        MeterSetFormat(&w->engine, float(kProgramStreamFormat.sampleRate), 2) &&
        ScanReaderInit(&w->reader, bytes, blockBuffers) &&
        (!o.loudness || LoudnessInit(&w->loudness, w->loudnessFrames)) &&
        (!o.autoCues.kinds || PassageFinderInit(&w->passages, kCueCapacity)))
        return 1;
    ScanWorkerFree(w);
    return 0;
}

void ScanWorkerFree(ScanWorker* w) {
    ScanReaderFree(&w->reader);
    MeterEngineDestroy(&w->engine);
    LoudnessFree(&w->loudness);
    PassageFinderFree(&w->passages);
    w->stereo = std::vector<float>();
}

int ScanWorkerRun(ScanWorker* w, const ScanOptions& o, const std::string& input, bool readAhead,
                  const ScanProgress* progress, ScanSummary* summary, std::string* error) {
    *summary = ScanSummary{};
    if (int status = OpenInput(w, input, summary, error)) return status;
    // The reader starts reading while the engine is prepared.
    if (PrepareFor(w, o, summary, input, readAhead) != kScanDone) {
        ScanReaderFinish(&w->reader);
        CloseInput(w, *summary);
        *error = "out of memory";
        return kScanNoMemory;
    }
    MeterEngine* e = w->engine;
    ConfigureScanEngine(e, o);
    Measure(w, o, summary, progress);
    ScanReaderFinish(&w->reader);
    summary->invalidSamples = w->reader.invalidSamples;
    CloseInput(w, *summary);
    summary->seconds = double(summary->framesRead) / summary->sampleRate;

    HistoryStore& store = e->frame.history;
    InsertCues(o, &w->passages, &store, summary);
    Summarise(store, summary);
    summary->loudnessMeasured = o.loudness;
    if (o.loudness) LoudnessFinish(&w->loudness, &summary->loudness);
    return WriteOutputs(e, summary->sampleRate, o.loudness ? &w->loudness : nullptr,
                        ScanHistoryPath(o, input), ScanCsvPath(o, input), error);
}

int RunScan(const ScanOptions& o, ScanSummary* summary, std::string* error) {
    ScanWorker worker{};
    if (!ScanWorkerInit(&worker, o)) {
        *error = "out of memory";
        return kScanNoMemory;
    }
    const int status =
        ScanWorkerRun(&worker, o, o.input, ScanThreads(o) >= 2, nullptr, summary, error);
    ScanWorkerFree(&worker);
    return status;
}

std::string FormatScanLine(const ScanOptions& o, const std::string& input, const ScanSummary& s) {
    char text[256];
    std::string line = input;
    if (!s.programFormat) {
        std::snprintf(text, sizeof text, " (%s, %.0f Hz, %u channel%s)", s.kind.c_str(),
                      s.sampleRate, unsigned(s.channels), s.channels == 1 ? "" : "s");
        line += text;
    }
    std::snprintf(text, sizeof text,
                  ": %.3f s, %d frames, peak %.2f / %.2f dB, rms %.2f / %.2f dB, "
                  "lowest correlation %+.3f at %.2f s",
                  s.seconds, int(s.frames), s.peakDb[0], s.peakDb[1], s.rmsDb[0], s.rmsDb[1],
                  s.lowestCorrelation, s.lowestCorrelationAt);
    line += text;
    if (!s.channelLevels.empty()) {
        line += ", channels peak/rms";
        for (const ScanChannel& c : s.channelLevels) {
            std::snprintf(text, sizeof text, " %s %.1f/%.1f", c.name, c.peakDb, c.rmsDb);
            line += text;
        }
        line += " dB";
    }
    if (s.loudnessMeasured) {
        const LoudnessResult& l = s.loudness;
        std::snprintf(text, sizeof text,
                      ", integrated %.1f LUFS, range %.1f LU, max momentary %.1f LUFS, "
                      "max short-term %.1f LUFS, true peak",
                      l.integrated, l.range, l.maxMomentary, l.maxShortTerm);
        line += text;
        for (uint32_t c = 0; c < l.channels; ++c) {
            std::snprintf(text, sizeof text, "%s %.1f", c ? " /" : "", l.truePeakDb[c]);
            line += text;
        }
        line += " dBTP";
    }
    if (s.cuesLeftOut > 0)
        line += ", " + std::to_string(s.cuesLeftOut) + " cues left out (a history holds " +
                std::to_string(kCueCapacity) + ")";
    if (s.truncated)
        line += ", truncated: " + std::to_string(s.framesRead) + " of " +
                std::to_string(s.framesClaimed) + " frames";
    if (s.invalidSamples > 0)
        line += ", warning: " + std::to_string(s.invalidSamples) +
                " NaN or infinite samples measured as silence";
    return line + " -> " + ScanHistoryPath(o, input);
}
