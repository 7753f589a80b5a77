#include "tools/scan_json.h"

#include <cmath>

#include <nlohmann/json.hpp>

#include "sys/file_replace.h"

namespace {

using json = nlohmann::ordered_json; // fields in the order written

// value rounded to `places` decimals (what the summary line shows, and no
// float-to-double noise); null when it is not finite.
json Number(double value, int places) {
    if (!std::isfinite(value)) return nullptr;
    const double scale = std::pow(10.0, places);
    return std::round(value * scale) / scale;
}

json Pair(double left, double right, int places) {
    return json::array({Number(left, places), Number(right, places)});
}

void AddLoudness(const LoudnessResult& l, json* j) {
    (*j)["integrated_lufs"] = Number(l.integrated, 2);
    (*j)["loudness_range_lu"] = Number(l.range, 2);
    (*j)["max_momentary_lufs"] = Number(l.maxMomentary, 2);
    (*j)["max_short_term_lufs"] = Number(l.maxShortTerm, 2);
    json peaks = json::array();
    for (uint32_t c = 0; c < l.channels; ++c)
        peaks.push_back(Number(l.truePeakDb[c], 2));
    (*j)["true_peak_dbtp"] = peaks;
}

json Entry(const ScanOptions& o, const ScanJsonEntry& e) {
    json j = {{"file", e.input}};
    if (e.status != 0) {
        j["error"] = e.error;
        return j;
    }
    const ScanSummary& s = e.summary;
    j["history"] = ScanHistoryPath(o, e.input);
    // The program's own format gives the fields it always gave.
    if (!s.programFormat) {
        j["format"] = s.kind;
        j["sample_rate"] = uint32_t(s.sampleRate);
        j["channels"] = s.channels;
        j["invalid_samples"] = s.invalidSamples;
    }
    if (s.truncated) {
        j["truncated"] = true;
        j["frames_read"] = s.framesRead;
        j["frames_claimed"] = s.framesClaimed;
    }
    j["seconds"] = s.seconds;
    j["frames"] = s.frames;
    j["peak_db"] = Pair(s.peakDb[0], s.peakDb[1], 2);
    j["rms_db"] = Pair(s.rmsDb[0], s.rmsDb[1], 2);
    j["lowest_correlation"] = Number(s.lowestCorrelation, 3);
    j["lowest_correlation_seconds"] = Number(s.lowestCorrelationAt, 2);
    if (!s.channelLevels.empty()) {
        json levels = json::array();
        for (size_t c = 0; c < s.channelLevels.size(); ++c) {
            const ScanChannel& level = s.channelLevels[c];
            json one = {{"name", level.name},
                        {"peak_db", Number(level.peakDb, 2)},
                        {"rms_db", Number(level.rmsDb, 2)}};
            if (s.loudnessMeasured) one["true_peak_dbtp"] = Number(s.loudness.truePeakDb[c], 2);
            levels.push_back(one);
        }
        j["channel_levels"] = levels;
    }
    if (s.loudnessMeasured) AddLoudness(s.loudness, &j);
    if (!o.cues.empty() || o.autoCues.kinds) {
        json cues = json::array();
        for (const ScanCue& c : s.cues)
            cues.push_back({{"seconds", c.seconds}, {"name", c.name}});
        j["cues"] = cues;
        j["cues_left_out"] = s.cuesLeftOut;
    }
    return j;
}

} // namespace

std::string ScanJsonText(const ScanOptions& o, const std::vector<ScanJsonEntry>& entries) {
    json all = json::array();
    for (const ScanJsonEntry& e : entries)
        all.push_back(Entry(o, e));
    // Names need not be UTF-8 (cue names and paths are bytes): replace what is not.
    return all.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool WriteScanJson(const std::string& target, const std::string& text, std::FILE* out,
                   std::string* error) {
    if (target == "-") {
        if (std::fwrite(text.data(), 1, text.size(), out) == text.size() && std::fflush(out) == 0)
            return true;
        *error = "cannot write the JSON summary to standard output";
        return false;
    }
    if (FileReplace(target.c_str(), 0,
                    [&](FileSink* f) { return FileSinkWrite(f, text.data(), text.size()) == 1; }))
        return true;
    *error = "cannot write " + target;
    return false;
}
