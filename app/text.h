// Bounded text composition in fixed buffers, without the C library's formatted output.
#pragma once

#include <cstddef>
#include <cstring>

// Writes `digits` upper-case hexadecimal digits of `value` at `out`: leading zeros included,
// no terminator. The caller provides room for the digits.
inline void WriteHex(char* out, unsigned long value, int digits)
{
    static const char kHexDigits[] = "0123456789ABCDEF";
    for (int i = digits - 1; i >= 0; --i, value >>= 4)
        out[i] = kHexDigits[value & 0xF];
}

// Appends `text` to the zero-terminated string in `buffer` (`size` bytes). When it would not fit
// with its terminator, returns false and leaves the buffer as it was.
inline bool AppendText(char* buffer, size_t size, const char* text)
{
    const size_t used = strnlen(buffer, size);
    const size_t length = strlen(text);
    if (used >= size || length >= size - used)
        return false;
    memcpy(buffer + used, text, length + 1);
    return true;
}
