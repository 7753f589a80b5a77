// The steps of a replacement, the same on every platform; the calls they
// make are the table's.
#include "sys/file_replace.h"
#include "sys/file_replace_table.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>

struct FileSink {
    const FileReplaceTable* calls;
    FileHandle file;
    bool text;   // '\n' goes out as calls->lineEnd
    bool failed; // a write failed: nothing more is written
    size_t used; // bytes waiting in buffer
    char buffer[64 * 1024];
};

namespace {

std::atomic<const FileReplaceTable*> g_table{nullptr};

// Hands the buffered bytes to the file. A failure sticks: the bytes after
// a lost write must not land as if nothing were missing.
bool Drain(FileSink* sink) {
    if (sink->used > 0 && !sink->calls->write(sink->file, sink->buffer, sink->used))
        sink->failed = true;
    sink->used = 0;
    return !sink->failed;
}

int Put(FileSink* sink, const char* data, size_t size) {
    while (size > 0 && !sink->failed) {
        if (sink->used == sizeof sink->buffer && !Drain(sink)) break;
        const size_t n = std::min(size, sizeof sink->buffer - sink->used);
        std::memcpy(sink->buffer + sink->used, data, n);
        sink->used += n;
        data += n;
        size -= n;
    }
    return sink->failed ? 0 : 1;
}

} // namespace

const FileReplaceTable* FileReplaceCalls() {
    const FileReplaceTable* table = g_table.load(std::memory_order_acquire);
    return table ? table : FileReplaceRealTable();
}

void FileReplaceSetTable(const FileReplaceTable* table) {
    g_table.store(table, std::memory_order_release);
}

int FileSinkWrite(FileSink* sink, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    if (!sink->text) return Put(sink, bytes, size);
    const size_t endLength = std::strlen(sink->calls->lineEnd);
    for (;;) {
        const char* line = static_cast<const char*>(std::memchr(bytes, '\n', size));
        if (!line) return Put(sink, bytes, size);
        const size_t n = size_t(line - bytes);
        if (!Put(sink, bytes, n) || !Put(sink, sink->calls->lineEnd, endLength)) return 0;
        bytes += n + 1;
        size -= n + 1;
    }
}

int FileReplacementPrepare(FileReplacement* r, const char* target, unsigned flags,
                           const FileWriter& write) {
    r->target = target ? target : "";
    r->temporary.clear();
    const FileReplaceTable* calls = FileReplaceCalls();
    // Refused before anything is written, not after a long write.
    if (!target || !target[0] || calls->readOnly(target)) return 0;
    const std::string temporary = r->target + ".tmp~";
    // The sink's buffer is too big for the stack of the scan's workers.
    std::unique_ptr<FileSink> sink(new (std::nothrow) FileSink);
    if (!sink) return 0;
    sink->calls = calls;
    sink->text = (flags & kFileReplaceText) != 0;
    sink->failed = false;
    sink->used = 0;
    sink->file = calls->create(temporary.c_str(), (flags & kFileReplacePrivate) != 0);
    if (sink->file == kNoFile) return 0;
    // The data is on the disk before the handle closes, and closed before
    // the rename: the new name never points at a file still being written.
    bool ok = write(sink.get()) && Drain(sink.get()) && calls->flush(sink->file);
    ok = calls->close(sink->file) && ok;
    if (!ok) {
        calls->remove(temporary.c_str());
        return 0;
    }
    r->temporary = temporary;
    return 1;
}

int FileReplacementCommit(FileReplacement* r) {
    if (r->temporary.empty()) return 0;
    const FileReplaceTable* calls = FileReplaceCalls();
    const bool moved = calls->rename(r->temporary.c_str(), r->target.c_str());
    if (!moved) calls->remove(r->temporary.c_str());
    r->temporary.clear();
    return moved ? 1 : 0;
}

void FileReplacementAbandon(FileReplacement* r) {
    if (!r->temporary.empty()) FileReplaceCalls()->remove(r->temporary.c_str());
    r->temporary.clear();
}

int FileReplace(const char* target, unsigned flags, const FileWriter& write) {
    FileReplacement r;
    return FileReplacementPrepare(&r, target, flags, write) && FileReplacementCommit(&r) ? 1 : 0;
}
