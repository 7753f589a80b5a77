// tenvelo-scan: measures whole WAVE files with the meter engine, faster
// than real time, and writes the level histories the program loads.
#include "tools/demo_wave.h"
#include "tools/scan.h"
#include "tools/scan_batch.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// --demo without an input: the demo program, written to a temporary file;
// the history goes to the current folder unless -o or --out-dir says otherwise.
bool PrepareDemo(ScanOptions* options, std::string* error) {
    std::error_code ec;
    std::filesystem::path temp = std::filesystem::temp_directory_path(ec) / "tenvelo-demo.wav";
    if (ec || !demo::WriteDemoWave(temp.string())) {
        *error = "cannot write the demo file " + temp.string();
        return false;
    }
    options->input = temp.string();
    options->inputs = {options->input};
    if (options->output.empty() && options->outDir.empty()) options->output = "tenvelo-demo.his";
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
    if (options.inputs.empty() && !PrepareDemo(&options, &error)) {
        std::fprintf(stderr, "tenvelo-scan: %s\n", error.c_str());
        return 1;
    }
    ScanBatchIo io = {stdout, stderr, !options.quiet && isatty(fileno(stderr))};
    return RunScanBatch(options, io);
}
