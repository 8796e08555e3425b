// The main window's button on the taskbar while Change MAC restarts a connection: an indeterminate
// progress from "Resetting adapter..." until the verdict, and, when the verdict comes while the
// window is not in front, a flash until the user comes back to it. A command that restarts nothing
// shows nothing there; where the platform has none of it, nothing is shown and nothing fails.
#pragma once

#include <windows.h>
#include <shobjidl.h>
#include <wrl/client.h>

// A new main window has no button yet: the taskbar tells when it has one with "TaskbarButtonCreated",
// which is let through to the window when the process is elevated and the taskbar is not (User
// Interface Privilege Isolation), where the platform has the filter (Windows 7 and later).
void WatchForTaskbarButton(HWND window);

// Notes "TaskbarButtonCreated" among the window's messages: the button may be given progress from then on.
void NoteTaskbarButtonCreated(UINT message);

// The signs of one Change MAC command on the taskbar button of the main window (g_hMainWnd).
class RestartOnTaskbar {
public:
    RestartOnTaskbar() = default;
    RestartOnTaskbar(const RestartOnTaskbar&) = delete;
    RestartOnTaskbar& operator=(const RestartOnTaskbar&) = delete;
    ~RestartOnTaskbar() { VerdictShown(); }

    // A connection is about to be restarted: the progress, from the first restart on.
    void RestartBegins();
    // The verdict is on the status line: no progress any more, and the flash when the window is not
    // in front. Once, after a restart; nothing otherwise.
    void VerdictShown();

private:
    bool restarted_ = false;
    Microsoft::WRL::ComPtr<ITaskbarList3> taskbar_;
};
