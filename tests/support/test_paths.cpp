#include "test_paths.h"

#include <windows.h>

std::string TestDirectory()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string QuillonExePath()
{
    return TestDirectory() + "..\\Quillon.exe";
}
