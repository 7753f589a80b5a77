#include "toolkit/text_buffer.h"

TextBuffer TextBufferMake(char* text, size_t size) {
    TextBuffer buffer = {text, text ? size : 0, 0};
    if (buffer.size > 0) buffer.text[0] = '\0';
    return buffer;
}

int TextPut(TextBuffer* buffer, char c) {
    if (TextFull(buffer)) return 0;
    buffer->text[buffer->length++] = c;
    buffer->text[buffer->length] = '\0';
    return 1;
}

int TextPutRepeated(TextBuffer* buffer, char c, size_t count) {
    // Stops at the first refusal so a huge count costs nothing once full.
    for (size_t i = 0; i < count; ++i)
        if (!TextPut(buffer, c)) return 0;
    return 1;
}

int TextPutString(TextBuffer* buffer, const char* s) {
    if (!s) return 1;
    for (; *s; ++s)
        if (!TextPut(buffer, *s)) return 0;
    return 1;
}

int TextPutUnsigned(TextBuffer* buffer, uint64_t value, int minDigits, char pad) {
    char digits[20];
    int count = 0;
    do {
        digits[count++] = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    int ok = 1;
    for (int i = count; i < minDigits; ++i)
        ok &= TextPut(buffer, pad);
    while (count > 0)
        ok &= TextPut(buffer, digits[--count]);
    return ok;
}
