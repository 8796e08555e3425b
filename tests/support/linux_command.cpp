#include "linux_command.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "lab_registry.h"

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

int RunLinuxCommand(const std::string& command, std::string* output, unsigned timeoutMs)
{
    static unsigned counter = 0;
    char base[96];
    std::snprintf(base, sizeof base, "/tmp/quillon-lab-%lu-%lu-%u", GetCurrentProcessId(), GetTickCount(), ++counter);
    const std::string outputFile = std::string(base) + ".out";
    const std::string statusFile = std::string(base) + ".status";
    // The status file appears at once, by rename, when the command has finished.
    std::string commandLine = "/bin/sh -c \"( " + command + " ) >" + outputFile + " 2>&1; echo $? >" + base + ".part; mv "
        + base + ".part " + statusFile + "\"";

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    const std::string statusPath = WindowsPathOfLinuxPath(statusFile);
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(statusPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > timeoutMs)
            return -1;
        Sleep(2);
    }
    int status = -1;
    std::sscanf(ReadFile(statusPath).c_str(), "%d", &status);
    if (output)
        *output = ReadFile(WindowsPathOfLinuxPath(outputFile));
    DeleteFileA(statusPath.c_str());
    DeleteFileA(WindowsPathOfLinuxPath(outputFile).c_str());
    return status;
}
