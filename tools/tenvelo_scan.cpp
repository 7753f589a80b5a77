// tenvelo-scan: measures a whole WAVE file with the meter engine, faster
// than real time, and writes the level history the program loads.
#include "tools/demo_wave.h"
#include "tools/scan.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

// --demo without an input: the demo program, written to a temporary file;
// the history goes to the current folder unless -o says otherwise.
bool PrepareDemo(ScanOptions* options, std::string* error) {
    std::error_code ec;
    std::filesystem::path temp = std::filesystem::temp_directory_path(ec) / "tenvelo-demo.wav";
    if (ec || !demo::WriteDemoWave(temp.string())) {
        *error = "cannot write the demo file " + temp.string();
        return false;
    }
    options->input = temp.string();
    if (options->output.empty()) options->output = "tenvelo-demo.his";
    return true;
}

} // namespace

int main(int argc, char** argv) {
    ScanOptions options;
    std::string error;
    if (!ParseScanArguments(argc, argv, &options, &error)) {
        std::fprintf(stderr, "tenvelo-scan: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(ScanUsage(), stdout);
        return 0;
    }
    if (options.input.empty() && !PrepareDemo(&options, &error)) {
        std::fprintf(stderr, "tenvelo-scan: %s\n", error.c_str());
        return 1;
    }
    ScanSummary summary;
    int status = RunScan(options, &summary, &error);
    if (status != 0) {
        std::fprintf(stderr, "tenvelo-scan: %s\n", error.c_str());
        return status;
    }
    if (!options.quiet) std::fputs(FormatScanSummary(options, summary).c_str(), stdout);
    return 0;
}
