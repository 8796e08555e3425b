#include "quillon_process.h"

#include "test_paths.h"
#include "window_probe.h"

QuillonProcess::QuillonProcess(WORD showWindow)
{
    const std::string exe = QuillonExePath();
    const std::string folder = exe.substr(0, exe.find_last_of('\\'));
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = showWindow;
    PROCESS_INFORMATION info = {};
    // Started in its own folder, as from Explorer: not in the tests' folder with their doubles.
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &info))
        return;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    WaitForInputIdle(process_, 15000);
}

QuillonProcess::~QuillonProcess()
{
    if (!process_)
        return;
    if (IsRunning()) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

HWND QuillonProcess::WaitForMainWindow(DWORD timeoutMs)
{
    return WaitForWindow("Quillon", timeoutMs);
}

HWND QuillonProcess::WaitForWindow(const std::string& caption, DWORD timeoutMs)
{
    HWND window = nullptr;
    WaitUntil([&] { return (window = FindProcessWindow(processId_, caption)) != nullptr; }, timeoutMs);
    return window;
}

bool QuillonProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode)
{
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        return false;
    return GetExitCodeProcess(process_, exitCode) != 0;
}

bool QuillonProcess::IsRunning() const
{
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}
