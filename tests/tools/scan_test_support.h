// Test signals as WAVE files, and the history the live engine records for
// a file: the reference an offline scan must match byte for byte.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "audio/stream_format.h"
#include "audio/wave_file.h"
#include "history/cue_store.h"
#include "history/history_file.h"
#include "meter/level_analysis.h"
#include "meter/meter_engine.h"
#include "tests/support/wave_bytes.h"
#include "tools/scan.h"
#include "tools/scan_batch.h"

namespace scantest {

using testsupport::WaveBytes;

// A file's bytes as text, and text as its lines.
inline std::string Text(const std::string& path) {
    const std::vector<uint8_t> bytes = testsupport::ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A batch run: its status, its standard output as written and as lines, its
// error stream (files stdout.txt and stderr.txt in dir).
struct BatchRun {
    int status;
    std::string output;
    std::vector<std::string> out;
    std::string err;
};
inline BatchRun RunBatch(const testsupport::ScratchDir& dir, const ScanOptions& o,
                         bool progress = false, int64_t progressAfterMs = 1000) {
    const std::string outPath = dir.file("stdout.txt"), errPath = dir.file("stderr.txt");
    ScanBatchIo io = {std::fopen(outPath.c_str(), "wb"), std::fopen(errPath.c_str(), "wb"),
                      progress, progressAfterMs};
    const int status = RunScanBatch(o, io);
    std::fclose(io.out);
    std::fclose(io.err);
    const std::string output = Text(outPath);
    return {status, output, Lines(output), Text(errPath)};
}

// A history file read back at 44100 Hz, freed with the object.
struct HistoryRead {
    HistoryStore store = {};
    HistoryFileInfo info;
    int result;
    explicit HistoryRead(const std::string& path)
        : result(ReadHistory(&store, path.c_str(), 44100.0, &info)) {}
    ~HistoryRead() { HistoryStoreFree(&store); }
    HistoryRead(const HistoryRead&) = delete;
    HistoryRead& operator=(const HistoryRead&) = delete;
};

inline bool WriteStereoWave(const std::string& path, const std::vector<int16_t>& pcm) {
    return testsupport::WriteAll(path, WaveBytes(2, pcm));
}

// Full-range noise with runs clipped at both ends, left and right apart.
inline std::vector<int16_t> Noise(uint32_t frames, uint32_t seed) {
    std::vector<int16_t> pcm(2 * size_t(frames));
    for (int16_t& s : pcm) {
        seed = seed * 1664525u + 1013904223u;
        int32_t v = int32_t(seed >> 15) - 65536;
        s = int16_t(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
    }
    return pcm;
}

// Silence, then a burst whose right channel is the left one inverted.
inline std::vector<int16_t> SilenceThenBurst(uint32_t frames) {
    std::vector<int16_t> pcm(2 * size_t(frames));
    for (uint32_t i = frames / 2; i < frames; ++i) {
        pcm[2 * i] = int16_t((i * 37) % 20000 - 10000);
        pcm[2 * i + 1] = int16_t(-pcm[2 * i]);
    }
    return pcm;
}

// What the scan recorded before it measured offline: the engine with its
// display thread, fed one streaming buffer at a time, then idle; the cues
// and the .his as the scan writes them.
inline bool LiveHistory(const ScanOptions& o, const std::string& input, const std::string& his) {
    MeterEngine* e = MeterEngineCreate(nullptr);
    WaveFile file;
    bool ok = e && MeterSetFormat(&e, 44100.0f, 2) && WaveFileOpen(&file, input.c_str()) == 0;
    if (ok) {
        ConfigureScanEngine(e, o);
        const uint32_t frames = StreamFramesForLatency(44100, float(o.latency), 4);
        std::vector<uint8_t> buffer(frames * 4);
        for (uint64_t done = 0; done < file.dataLength; done += frames) {
            WaveFileRead(&file, buffer.data(), frames * 4);
            AnalyseBuffer(&e, buffer.data(), frames * 4);
        }
        WaveFileClose(&file);
        ok = MeterWaitDisplayIdle(e, 60000) == 1;
        for (const ScanCue& cue : o.cues)
            CueInsert(&e->frame.history, int64_t(std::llround(cue.seconds * 44100)),
                      cue.name.c_str());
        ok = ok && WriteHistory(&e->frame.history, his.c_str(), 44100.0, e->historyStartTime) == 0;
    }
    MeterEngineDestroy(&e);
    return ok;
}

} // namespace scantest
