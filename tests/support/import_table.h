// The program's own code runs here as a DLL whose calls to the platform go through its own import
// table, where a test points one at a double without touching its own calls. That is the one seam:
// a function that the program looks up at run time (GetProcAddress) is reached through the
// import slot of GetProcAddress, which reads the export slots below first.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The module that holds the program's own code.
HMODULE ProgramModule();

// Each function that the program imports by name: its DLL, its name, its slot.
struct Import {
    std::string dll, function;
    void** slot;
};
std::vector<Import> Imports();

// The slot of the program's import table that holds `function`, made writable (null: not imported);
// PatchImport points it at `replacement` and returns what it pointed at.
void** ImportSlot(const char* function);
void* PatchImport(const char* function, void* replacement);

// What the program's GetProcAddress gives for an export of this name, whatever the module, while
// the slot holds a function (null: the module's own export).
void** ExportSlot(const char* name);

// The program's clock: GetTickCount gives the virtual time; MsgWaitForMultipleObjects returns at
// once, 1 ms later when a message of the kinds it waits for has arrived since the thread last
// looked at its queue (as Windows wakes it), otherwise when its time has passed. A 20-second wait
// costs nothing, and a message that arrives in it is still served.
struct VirtualClock {
    static void Install();  // once for the process; the time starts at 0
    static inline DWORD now = 0;
    static inline DWORD wakeMasks = 0;  // what the waits woke for, together
    static inline int sentStream = 0;  // each of the next so many waits for sent messages finds one
};
