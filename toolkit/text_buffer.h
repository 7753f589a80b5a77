// A bounded, always-terminated text buffer that the formatters write into.
#pragma once

#include <cstddef>
#include <cstdint>

// The caller's buffer with the count of characters written so far. Writes
// past size - 1 are dropped; the text is terminated after every write.
struct TextBuffer {
    char* text;    // caller's storage, may be null when size is 0
    size_t size;   // bytes available, terminator included
    size_t length; // characters written, terminator excluded
};

// Makes a buffer over `text` and terminates it when size > 0. Returns the record.
TextBuffer TextBufferMake(char* text, size_t size);

// Appends one character. Returns 1 when stored, 0 when the buffer is full.
int TextPut(TextBuffer* buffer, char c);

// Appends `count` copies of `c`. Returns 1 when all were stored, 0 otherwise.
int TextPutRepeated(TextBuffer* buffer, char c, size_t count);

// Appends a terminated string (null puts nothing). Returns 1 when all of it was stored.
int TextPutString(TextBuffer* buffer, const char* s);

// Appends `value` in decimal with at least `minDigits` digits, padded in front
// with `pad`. Returns 1 when all of it was stored.
int TextPutUnsigned(TextBuffer* buffer, uint64_t value, int minDigits, char pad);

// Returns 1 when no further character fits, else 0.
inline int TextFull(const TextBuffer* buffer) {
    return buffer->size == 0 || buffer->length + 1 >= buffer->size;
}
