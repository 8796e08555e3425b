// The real Quillon.exe of this build, started as a separate process for a test.
#pragma once

#include <windows.h>

#include <string>

class QuillonProcess {
public:
    // Starts the program with the given show state (the starter's wShowWindow).
    explicit QuillonProcess(WORD showWindow = SW_SHOWNORMAL);
    // Ends the program if a test left it running.
    ~QuillonProcess();
    QuillonProcess(const QuillonProcess&) = delete;
    QuillonProcess& operator=(const QuillonProcess&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD ProcessId() const { return processId_; }

    // The main window, once it is visible; null if it does not show within the time.
    HWND WaitForMainWindow(DWORD timeoutMs = 15000);
    // A visible window of the process with this caption (the About box, say); null on timeout.
    HWND WaitForWindow(const std::string& caption, DWORD timeoutMs = 10000);

    // Waits for the process to end; true and its exit code if it did within the time.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);
    bool IsRunning() const;

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
};
