// Quillon worked by remote control, from another program as a user works it, for the run command's
// demo, the benchmark and the tests: its main window, worked through messages that reach a window in this process or
// in another one alike; the program started as a process of its own; the registry keys that it
// reads and writes; and, in the lab, the Linux side.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "linux_path.h"
#include "windows_names.h"

// An adapter's driver key, "0001" for example, below the class key; an adapter's connection entry
// under a subkey of the Network key (Windows': kAdapterClassName).
inline std::string DriverKey(const std::string& subkey) { return std::string(kAdapterClassKeyPath) + "\\" + subkey; }
inline std::string ConnectionKey(const std::string& subkey, const std::string& adapterId)
{
    return std::string(kNetworkKeyPath) + "\\" + subkey + "\\{" + adapterId + "}\\Connection";
}
// The system folder, with its trailing backslash.
std::string SystemFolder();
// The folder of the running executable, with its trailing backslash. The benchmark's programs
// and the tests live one folder below Quillon.exe.
std::string OwnFolder();

// Keys below HKEY_LOCAL_MACHINE. A stored value comes back as its bytes, terminator included,
// behind "<type N>" when it is not a REG_SZ; "<none>" when there is no such value.
bool SeedValue(const std::string& key, const char* name, DWORD type, const void* data, DWORD size);
bool SeedText(const std::string& key, const char* name, const std::string& text);
std::string StoredValue(const std::string& key, const char* name);
void RemoveKey(const std::string& key);
// Every key below `key`, itself first.
std::vector<std::string> KeysBelow(const std::string& key);
// Leaves this user only reading and deleting the key, as a driver key is for a user who is not
// an administrator (Wine's server checks a key's access list as Windows does); or gives full
// access back.
bool SetKeyReadOnly(const std::string& key, bool readOnly);

// Polls every 10 ms until the condition holds or the time is up, taking this thread's messages
// meanwhile (the events of a LiveRegionListener among them); returns the condition's last value.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// A control's text (the window's own with id 0), in the ANSI code page.
std::string ControlText(HWND window, int id = 0);
// The items of IDC_CONNECTION, in UTF-8; a connection's name (UTF-8) as the list shows it, through the
// ANSI code page, which makes "?" of what it lacks.
std::vector<std::string> Items(HWND window);
std::string AsListed(const std::string& utf8);
void Type(HWND window, int id, const std::string& text);
// Selects a connection as the list does when the user picks one: the selection, then its notification.
void Select(HWND window, int index);
// Clicks a button and returns once the window has handled the click and what it runs; false
// when the window did not answer within a minute.
bool Click(HWND window, int id);
// The control that has the keyboard focus in the window's thread; null when none has.
HWND Focused(HWND window);
// Presses and releases a key, posted to the control as the keyboard would.
void PressKey(HWND control, UINT key);
// A move of the mouse to the middle of a control (and `right` pixels to the right), a click there, and
// a press of a key (with Shift held), as real input to the window in front, one event at a time, as a
// hand moves and presses.
void MoveTheMouseOver(HWND control, int right = 0);
void ClickWithTheMouse(HWND control);
void PressWithTheKeyboard(WORD key, bool shift = false);
// The shape of the pointer now, as the window under it set it; another process's shape can be
// compared by its handle, not read.
HCURSOR PointerShape();

// What a screen reader hears of a live region: the EVENT_OBJECT_LIVEREGIONCHANGED events of
// `window`, a window of another process, out of context, each as the window's text when it arrived.
// One listener at a time.
class LiveRegionListener {
public:
    explicit LiveRegionListener(HWND window);
    ~LiveRegionListener();
    LiveRegionListener(const LiveRegionListener&) = delete;
    LiveRegionListener& operator=(const LiveRegionListener&) = delete;
    const std::vector<std::string>& Heard() const { return heard_; }

private:
    static void CALLBACK Hear(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD);
    HWND window_;
    HWINEVENTHOOK hook_;
    std::vector<std::string> heard_;
};

// Starts `commandLine` in `folder` (null: this process's) with the show state that a shortcut
// gives; false when it did not start. The thread's handle is closed; the process's is the caller's.
bool StartProcess(std::string commandLine, WORD show, const char* folder, PROCESS_INFORMATION& process);

// Quillon.exe (or a program like it) as a process of its own, started in its folder with the show
// state that a shortcut gives; ended by force if it still runs when the object goes.
class Program {
public:
    explicit Program(WORD show = SW_SHOWNORMAL, const std::string& exe = OwnFolder() + "..\\Quillon.exe");
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    DWORD Id() const { return process_.dwProcessId; }
    HANDLE Handle() const { return process_.hProcess; }
    // The visible window of the process with this caption; null when none shows within 15 s.
    HWND Window(const std::string& caption = "Quillon") const;
    // The exit code once the process has ended, or STILL_ACTIVE when it has not within the time.
    DWORD ExitCode(DWORD waitMs = 10000) const;

private:
    PROCESS_INFORMATION process_ = {};
};

// The handles that a process holds: Wine answers GetProcessHandleCount with 0 for every process,
// the system's process list carries the real count. 0 when the process is not found.
ULONG HandleCount(DWORD processId);

// Runs a Linux command through /bin/sh and returns its output once it has finished.
std::string RunLinux(const std::string& command);
