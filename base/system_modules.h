// Modules of Windows, loaded from the system folder only: never a copy in the program's folder,
// where a portable program usually lies among downloads, nor one in the current folder.
#pragma once

#include <windows.h>

// Makes every module that the process loads later by name come from the system folder, where
// the platform offers that (Windows 8, and 7 and Vista with KB2533623). Call it first thing.
void RestrictDllSearchToSystemFolder();

// Loads a module by its file name from the system folder; null when it is not there.
HMODULE LoadSystemModule(const char* fileName);

// A module's export as a function of the given type; null when the module is null or has no
// export of that name.
template <typename Function>
Function ExportOf(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(module ? GetProcAddress(module, name) : nullptr));
}
