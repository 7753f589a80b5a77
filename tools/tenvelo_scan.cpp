// tenvelo-scan: measures whole WAVE files with the meter engine, faster
// than real time, and writes the level histories the program loads.
#include "tools/demo_wave.h"
#include "tools/scan.h"
#include "sys/file_path.h"
#include "tools/scan_batch.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// --demo without an input: the demo program, written to a temporary file;
// the history goes to the current folder unless -o or --out-dir says otherwise.
bool PrepareDemo(ScanOptions* options, std::string* error) {
    std::error_code ec;
    std::filesystem::path temp = std::filesystem::temp_directory_path(ec) / "tenvelo-demo.wav";
    if (ec || !demo::WriteDemoWave(temp.u8string())) {
        *error = "cannot write the demo file " + temp.u8string();
        return false;
    }
    options->input = temp.u8string();
    options->inputs = {options->input};
    if (options->output.empty() && options->outDir.empty()) options->output = "tenvelo-demo.his";
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // Paths in UTF-8, as the readers and writers take them.
    const std::vector<std::string> arguments = CommandLineArguments(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments)
        pointers.push_back(argument.c_str());
    ScanOptions options;
    std::string error;
    if (!ParseScanArguments(int(pointers.size()), pointers.data(), &options, &error)) {
        std::fprintf(stderr, "tenvelo-scan: %s\n", error.c_str());
        return kScanBadArguments;
    }
    if (options.help) {
        std::fputs(ScanUsage(), stdout);
        return kScanDone;
    }
    if (options.inputs.empty() && !PrepareDemo(&options, &error)) {
        std::fprintf(stderr, "tenvelo-scan: %s\n", error.c_str());
        return kScanFileFailed;
    }
    ScanBatchIo io = {stdout, stderr, !options.quiet && isatty(fileno(stderr))};
    return RunScanBatch(options, io);
}
