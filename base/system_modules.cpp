#include "system_modules.h"

#include <cstring>

void RestrictDllSearchToSystemFolder()
{
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD directoryFlags);
    auto setDefaultDllDirectories = ExportOf<SetDefaultDllDirectoriesFn>(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
    if (setDefaultDllDirectories)
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadSystemModule(const char* fileName)
{
    // A Windows without the search flags (Vista, or 7 without KB2533623) refuses them with
    // ERROR_INVALID_PARAMETER.
    HMODULE module = LoadLibraryExA(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    // There, the module by its full path in the system folder.
    char path[MAX_PATH] = {};
    const UINT folderLength = GetSystemDirectoryA(path, MAX_PATH);
    const size_t nameLength = strlen(fileName);
    if (folderLength == 0 || folderLength + 1 + nameLength >= MAX_PATH)
        return nullptr;
    path[folderLength] = '\\';
    memcpy(path + folderLength + 1, fileName, nameLength + 1);
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
