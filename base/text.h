// Bounded text composition in fixed buffers. (Numbers are formatted with the platform's
// wsprintfA, into buffers that hold the fixed width of their format.)
#pragma once

#include <cstddef>
#include <cstring>

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
