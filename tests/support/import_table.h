// The program's own code runs in the test's process as a DLL with an import table of its own:
// its calls to the platform go through it, so that a test can point one of them at a double
// without touching its own calls. Time among them: a virtual clock.
#pragma once

#include <windows.h>

// The module that holds the program's own code.
HMODULE ProgramModule();

// Points the program's import of `function` at `replacement`; returns what it pointed at, or
// null when the program does not import it.
void* PatchImport(const char* function, void* replacement);

// The clock of the program's code: its GetTickCount gives the virtual time, and its
// MsgWaitForMultipleObjects returns at once: when a message of the kinds it waits for is
// queued, 1 ms later, otherwise when the time it would have waited has passed. A 20-second wait
// costs nothing, and a message that arrives in it is still served.
struct VirtualClock {
    static void Install();  // once for the process; the time starts at 0
    static inline DWORD now = 0;
};
