#include "tools/scan_batch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "sys/thread.h"
#include "tools/scan_json.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int64_t kProgressEveryNs = 250000000;
constexpr int kProgressWidth = 60;

struct BatchFile {
    std::string input;
    int status;          // kScanDone when written, else the ScanStatus of its failure
    std::string text;    // the summary line, or the error
    bool done;           // finished, its line may be printed
    ScanSummary summary; // for the JSON summary
};

// Fixed once the workers start: options, files' inputs, readAhead, out,
// err, showProgress, framesTotal, start. Under outputLock: the files'
// results, printed, progressShown and the streams. Atomic: nextFile,
// framesDone, nextReportNs.
struct Batch {
    const ScanOptions* options;
    std::vector<BatchFile> files;
    bool readAhead;
    std::FILE* out;
    std::FILE* err;
    SysLock outputLock;
    size_t printed; // files whose line is out, a prefix of files
    bool showProgress;
    bool progressShown; // a progress line stands on err
    uint64_t bytesTotal;
    Clock::time_point start;
    std::atomic<size_t> nextFile{0};
    std::atomic<uint64_t> bytesDone{0};
    std::atomic<uint64_t> soundNs{0}; // nanoseconds of sound measured
    std::atomic<int64_t> nextReportNs{0};
};

int64_t ElapsedNs(const Batch* b) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - b->start).count();
}

// Call under the lock.
void ClearProgress(Batch* b) {
    if (!b->progressShown) return;
    std::fprintf(b->err, "\r%*s\r", kProgressWidth, "");
    std::fflush(b->err);
    b->progressShown = false;
}

void ShowProgress(Batch* b, int64_t elapsedNs) {
    const double done = double(b->bytesDone.load(std::memory_order_relaxed));
    const double sound = double(b->soundNs.load(std::memory_order_relaxed)) * 1e-9;
    const double seconds = double(elapsedNs) * 1e-9;
    const double part = b->bytesTotal ? std::min(1.0, done / double(b->bytesTotal)) : 0.0;
    SysLockEnter(&b->outputLock);
    std::fprintf(b->err, "\r%3d%%  %6.0f MB/s  %7.0fx real time", int(part * 100.0),
                 done / seconds * 1e-6, sound / seconds);
    std::fflush(b->err);
    b->progressShown = true;
    SysLockLeave(&b->outputLock);
}

// ScanProgress entry: counts, and lets one thread redraw when it is time.
void Advance(void* context, uint64_t bytes, double seconds) {
    Batch* b = static_cast<Batch*>(context);
    b->bytesDone.fetch_add(bytes, std::memory_order_relaxed);
    b->soundNs.fetch_add(uint64_t(seconds * 1e9), std::memory_order_relaxed);
    int64_t due = b->nextReportNs.load(std::memory_order_relaxed);
    const int64_t now = ElapsedNs(b);
    if (now >= due && b->nextReportNs.compare_exchange_strong(due, now + kProgressEveryNs))
        ShowProgress(b, now);
}

// Records file i's result and prints every line that is now next in order.
// Summary lines give way to a JSON summary on the same stream.
void Finish(Batch* b, size_t i, int status, const std::string& text,
            const ScanSummary* summary = nullptr) {
    SysLockEnter(&b->outputLock);
    b->files[i].status = status;
    b->files[i].text = text;
    b->files[i].done = true;
    if (summary) b->files[i].summary = *summary;
    const bool silent = b->options->quiet || b->options->json == "-";
    for (; b->printed < b->files.size() && b->files[b->printed].done; ++b->printed) {
        const BatchFile& f = b->files[b->printed];
        if (f.status == kScanDone && silent) continue;
        ClearProgress(b);
        if (f.status == kScanDone)
            std::fprintf(b->out, "%s\n", f.text.c_str());
        else
            std::fprintf(b->err, "tenvelo-scan: %s: %s\n", f.input.c_str(), f.text.c_str());
        std::fflush(f.status == kScanDone ? b->out : b->err);
    }
    SysLockLeave(&b->outputLock);
}

struct WorkerRun {
    Batch* batch;
    ScanWorker* worker;
};

void WorkerMain(void* arg) {
    WorkerRun* run = static_cast<WorkerRun*>(arg);
    Batch* b = run->batch;
    const ScanProgress progress = {Advance, b};
    for (size_t i; (i = b->nextFile.fetch_add(1)) < b->files.size();) {
        BatchFile& f = b->files[i];
        if (f.status != kScanDone) { // refused before the run
            Finish(b, i, f.status, f.text);
            continue;
        }
        ScanSummary summary;
        std::string error;
        const int status = ScanWorkerRun(run->worker, *b->options, f.input, b->readAhead,
                                         b->showProgress ? &progress : nullptr, &summary, &error);
        Finish(b, i, status, status ? error : FormatScanLine(*b->options, f.input, summary),
               &summary);
    }
}

// No input may write over an input, a recording named like the history or
// CSV it would get; nor two inputs one file: with threads they would even
// share its temporary. The later one fails.
void RefuseSharedOutputs(const ScanOptions& o, std::vector<BatchFile>* files) {
    std::map<std::string, size_t> inputs, owner;
    for (size_t i = 0; i < files->size(); ++i)
        inputs.emplace(PathKey((*files)[i].input), i);
    for (size_t i = 0; i < files->size(); ++i) {
        BatchFile& f = (*files)[i];
        for (const std::string& path : {ScanHistoryPath(o, f.input), ScanCsvPath(o, f.input)}) {
            if (path.empty() || f.status) continue;
            const std::string key = PathKey(path);
            if (auto input = inputs.find(key); input != inputs.end()) {
                f.status = kScanFileFailed;
                f.text = "the output " + path + " is the input " + (*files)[input->second].input;
                continue;
            }
            auto found = owner.emplace(key, i);
            if (found.second) continue;
            f.status = kScanFileFailed;
            f.text = "writes the same " + path + " as " + (*files)[found.first->second].input;
        }
    }
}

// The inputs' sizes: the progress' 100 %.
uint64_t TotalBytes(const std::vector<BatchFile>& files) {
    uint64_t total = 0;
    for (const BatchFile& f : files) {
        std::error_code ec;
        const uintmax_t bytes = std::filesystem::file_size(f.input, ec);
        if (!ec) total += bytes;
    }
    return total;
}

// The JSON summary, when asked for. Returns kScanDone, or kScanFileFailed
// when it cannot be written.
int WriteJson(const ScanOptions& o, const std::vector<BatchFile>& files, const ScanBatchIo& io) {
    if (o.json.empty()) return kScanDone;
    std::vector<ScanJsonEntry> entries;
    for (const BatchFile& f : files)
        entries.push_back({f.input, f.status, f.status ? f.text : "", f.summary});
    std::string error;
    if (WriteScanJson(o.json, ScanJsonText(o, entries), io.out, &error)) return kScanDone;
    std::fprintf(io.err, "tenvelo-scan: %s\n", error.c_str());
    return kScanFileFailed;
}

} // namespace

int RunScanBatch(const ScanOptions& o, const ScanBatchIo& io) {
    Batch b;
    b.options = &o;
    for (const std::string& input : o.inputs)
        b.files.push_back({input, 0, "", false, ScanSummary()});
    if (b.files.empty()) return kScanDone;
    RefuseSharedOutputs(o, &b.files);
    b.out = io.out;
    b.err = io.err;
    b.printed = 0;
    b.showProgress = io.progress;
    b.progressShown = false;
    b.bytesTotal = io.progress ? TotalBytes(b.files) : 0;
    b.nextReportNs.store(io.progressAfterMs * 1000000);
    if (!SysLockInit(&b.outputLock)) return kScanNoMemory;

    const int threads = ScanThreads(o);
    const size_t wanted = std::min<size_t>(size_t(threads), b.files.size());
    std::unique_ptr<ScanWorker[]> workers(new (std::nothrow) ScanWorker[wanted]());
    size_t made = 0;
    while (workers && made < wanted && ScanWorkerInit(&workers[made], o))
        ++made;
    b.readAhead = made > 0 && size_t(threads) >= 2 * made;

    b.start = Clock::now();
    std::vector<WorkerRun> runs;
    for (size_t k = 0; k < made; ++k)
        runs.push_back({&b, &workers[k]});
    std::vector<SysThread*> started;
    for (size_t k = 1; k < runs.size(); ++k)
        started.push_back(SysThreadStart(WorkerMain, &runs[k]));
    if (!runs.empty()) WorkerMain(&runs[0]);
    for (SysThread* t : started)
        SysThreadJoin(t); // a thread that did not start took no file
    for (size_t k = 0; k < made; ++k)
        ScanWorkerFree(&workers[k]);

    // Without a single worker, every file is out of memory.
    for (size_t i = b.nextFile.load(); i < b.files.size(); ++i)
        Finish(&b, i, b.files[i].status ? b.files[i].status : kScanNoMemory,
               b.files[i].status ? b.files[i].text : "out of memory");
    SysLockEnter(&b.outputLock);
    ClearProgress(&b);
    SysLockLeave(&b.outputLock);
    SysLockDelete(&b.outputLock);
    int status = kScanDone;
    for (const BatchFile& f : b.files)
        status = std::max(status, f.status);
    return std::max(status, WriteJson(o, b.files, io));
}
