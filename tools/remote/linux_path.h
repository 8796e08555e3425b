// The Windows path of a Linux path, on Wine's drive Z: (the Linux root): for the lab's programs
// that run under Wine and the tests and tools that reach the Linux side.
#pragma once

#include <string>

inline std::string WindowsPathOfLinuxPath(std::string linuxPath)
{
    for (char& c : linuxPath)
        c = c == '/' ? '\\' : c;
    return "Z:" + linuxPath;
}
