// Scanning many files in one run: ScanThreads(options) threads take the
// inputs one after another, each with a worker of its own, and the summary
// lines come out in the order of the inputs. A file that fails prints its
// one-line error and the others go on.
#pragma once

#include <cstdint>
#include <cstdio>

#include "tools/scan.h"

// Where a batch reports.
struct ScanBatchIo {
    std::FILE* out;                 // summary lines
    std::FILE* err;                 // error lines and progress
    bool progress;                  // show progress on err (a terminal, not --quiet)
    int64_t progressAfterMs = 1000; // a run shorter than this shows none
};

// Scans every input of options (options.inputs). Prints one summary line
// per written file to io.out (none with --quiet) and one error line per
// failed file to io.err, in input order; with io.progress, a run that lasts
// over io.progressAfterMs also shows its percentage and speed on io.err, on
// one line redrawn in place and cleared at the end. Two inputs that would
// write the same file fail on the second. With more threads than files,
// each file reads ahead on a thread of its own. Returns kScanDone when every
// file was written, else the largest ScanStatus of a failed file.
int RunScanBatch(const ScanOptions& options, const ScanBatchIo& io);
