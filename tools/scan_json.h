// The machine-readable summary of a scan (--json): an array with one object
// per input, in input order. Values that are not finite (-inf loudness of a
// silent file) are written as null.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "tools/scan.h"

// One input's outcome: its summary when status is 0, else its error.
struct ScanJsonEntry {
    std::string input;
    int status;
    std::string error;
    ScanSummary summary;
};

// The JSON text of entries, indented, ending in a newline.
std::string ScanJsonText(const ScanOptions& options, const std::vector<ScanJsonEntry>& entries);

// Writes text to target: "-" is out; a file goes through a temporary beside
// it and a replace, so a failed write leaves no partial file and an
// existing one unchanged. Returns true, or false with a one-line message in
// *error.
bool WriteScanJson(const std::string& target, const std::string& text, std::FILE* out,
                   std::string* error);
