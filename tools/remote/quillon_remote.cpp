#include "quillon_remote.h"

#include <sddl.h>
#include <winternl.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "resource.h"

std::string SystemFolder()
{
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\";
}

std::string OwnFolder()
{
    char path[MAX_PATH] = {};
    const std::string exe(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return exe.substr(0, exe.rfind('\\') + 1);
}

// One key at a time: the "A" functions refuse paths of more than 255 characters.
bool SeedValue(const std::string& key, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY parent = HKEY_LOCAL_MACHINE;
    for (size_t start = 0, end; start < key.size(); start = end + 1) {
        end = std::min(key.find('\\', start), key.size());
        HKEY child = nullptr;
        const LONG created = RegCreateKeyExA(parent, key.substr(start, end - start).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr);
        if (parent != HKEY_LOCAL_MACHINE)
            RegCloseKey(parent);
        if (created != ERROR_SUCCESS)
            return false;
        parent = child;
    }
    const LONG set = RegSetValueExA(parent, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(parent);
    return set == ERROR_SUCCESS;
}

bool SeedText(const std::string& key, const char* name, const std::string& text)
{
    return SeedValue(key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

std::string StoredValue(const std::string& key, const char* name)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return "<none>";
    char data[1024];
    DWORD type = 0;
    DWORD size = sizeof data;
    const LONG status = RegQueryValueExA(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(opened);
    if (status != ERROR_SUCCESS)
        return "<none>";
    return (type == REG_SZ ? "" : "<type " + std::to_string(type) + ">") + std::string(data, size);
}

void RemoveKey(const std::string& key)
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
}

std::vector<std::string> KeysBelow(const std::string& key)
{
    std::vector<std::string> keys = {key};
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return keys;
    char name[256];
    for (DWORD index = 0; RegEnumKeyA(opened, index, name, sizeof name) == ERROR_SUCCESS; ++index) {
        const std::vector<std::string> below = KeysBelow(key + "\\" + name);
        keys.insert(keys.end(), below.begin(), below.end());
    }
    RegCloseKey(opened);
    return keys;
}

bool SetKeyReadOnly(const std::string& key, bool readOnly)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, WRITE_DAC, &opened) != ERROR_SUCCESS)
        return false;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const char* access = readOnly ? "D:P(A;;KRSD;;;WD)" : "D:P(A;;KA;;;WD)";  // everyone: read and delete, or all
    LONG status = ERROR_INVALID_PARAMETER;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorA(access, SDDL_REVISION_1, &descriptor, nullptr)) {
        status = RegSetKeySecurity(opened, DACL_SECURITY_INFORMATION, descriptor);
        LocalFree(descriptor);
    }
    RegCloseKey(opened);
    return status == ERROR_SUCCESS;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(10)) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        if (condition())
            return true;
    }
    return condition();
}

namespace {
LiveRegionListener* g_listener = nullptr;
}

LiveRegionListener::LiveRegionListener(HWND window) : window_(window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    g_listener = this;
    hook_ = SetWinEventHook(EVENT_OBJECT_LIVEREGIONCHANGED, EVENT_OBJECT_LIVEREGIONCHANGED, nullptr, Hear, process, 0, WINEVENT_OUTOFCONTEXT);
}

LiveRegionListener::~LiveRegionListener()
{
    UnhookWinEvent(hook_);
    g_listener = nullptr;
}

void CALLBACK LiveRegionListener::Hear(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    if (g_listener && event == EVENT_OBJECT_LIVEREGIONCHANGED && window == g_listener->window_ && object == OBJID_CLIENT && child == CHILDID_SELF)
        g_listener->heard_.push_back(ControlText(window));
}

std::string ControlText(HWND window, int id)
{
    char text[1024] = {};
    SendMessageA(id ? GetDlgItem(window, id) : window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

// In UTF-16: the narrow form of CB_GETLBTEXT returns only the first character across processes in Wine.
std::vector<std::string> Items(HWND window)
{
    HWND list = GetDlgItem(window, IDC_CONNECTION);
    std::vector<std::string> items;
    for (LRESULT i = 0, count = SendMessageW(list, CB_GETCOUNT, 0, 0); i < count; ++i) {
        wchar_t text[512] = {};
        char utf8[1024] = {};
        if (SendMessageW(list, CB_GETLBTEXTLEN, i, 0) < 512 && SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text)) >= 0)
            WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
        items.push_back(utf8);
    }
    return items;
}

void Type(HWND window, int id, const std::string& text)
{
    SendMessageA(GetDlgItem(window, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Select(HWND window, int index)
{
    HWND list = GetDlgItem(window, IDC_CONNECTION);
    SendMessageA(list, CB_SETCURSEL, index, 0);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_CONNECTION, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

bool Click(HWND window, int id)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(GetDlgItem(window, id), BM_CLICK, 0, 0, SMTO_NORMAL, 60000, &result) != 0;
}

HWND Focused(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

void PressKey(HWND control, UINT key)
{
    PostMessageA(control, WM_KEYDOWN, key, 1);
    PostMessageA(control, WM_KEYUP, key, 0xC0000001);
}

void MoveTheMouseOver(HWND control, int right)
{
    RECT place = {};
    GetWindowRect(control, &place);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi = {MulDiv((place.left + place.right) / 2 + right, 65535, GetSystemMetrics(SM_CXSCREEN) - 1),
        MulDiv((place.top + place.bottom) / 2, 65535, GetSystemMetrics(SM_CYSCREEN) - 1), 0, MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 0, 0};
    SendInput(1, &input, sizeof input);
    Sleep(50);
}

void ClickWithTheMouse(HWND control)
{
    MoveTheMouseOver(control);
    INPUT inputs[2] = {};
    for (INPUT& input : inputs)
        input.type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    for (INPUT& input : inputs) {
        SendInput(1, &input, sizeof input);
        Sleep(50);
    }
}

HCURSOR PointerShape()
{
    CURSORINFO pointer = {};
    pointer.cbSize = sizeof pointer;
    return GetCursorInfo(&pointer) ? pointer.hCursor : nullptr;
}

void PressWithTheKeyboard(WORD key, bool shift)
{
    INPUT inputs[4] = {};
    for (INPUT& input : inputs)
        input.type = INPUT_KEYBOARD, input.ki.wVk = key;
    inputs[0].ki.wVk = inputs[3].ki.wVk = VK_SHIFT;
    inputs[2].ki.dwFlags = inputs[3].ki.dwFlags = KEYEVENTF_KEYUP;
    for (size_t i = shift ? 0 : 1; i < (shift ? 4u : 3u); ++i) {
        SendInput(1, &inputs[i], sizeof inputs[i]);
        Sleep(50);
    }
}

bool StartProcess(std::string commandLine, WORD show, const char* folder, PROCESS_INFORMATION& process)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    return true;
}

Program::Program(WORD show, const std::string& exe)
{
    StartProcess("\"" + exe + "\"", show, exe.substr(0, exe.rfind('\\')).c_str(), process_);
}

Program::~Program()
{
    if (ExitCode(0) == STILL_ACTIVE)
        TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hProcess);
}

HWND Program::Window(const std::string& caption) const
{
    HWND found = nullptr;
    WaitUntil([&] {
        for (found = FindWindowExA(nullptr, nullptr, nullptr, caption.c_str()); found; found = FindWindowExA(nullptr, found, nullptr, caption.c_str())) {
            DWORD process = 0;
            GetWindowThreadProcessId(found, &process);
            if (process == process_.dwProcessId && IsWindowVisible(found))
                return true;
        }
        return false;
    }, 15000);
    return found;
}

DWORD Program::ExitCode(DWORD waitMs) const
{
    DWORD code = STILL_ACTIVE;
    WaitForSingleObject(process_.hProcess, waitMs);
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

ULONG HandleCount(DWORD processId)
{
    std::vector<BYTE> list(1 << 20);
    if (NtQuerySystemInformation(SystemProcessInformation, list.data(), static_cast<ULONG>(list.size()), nullptr) != 0)
        return 0;
    for (size_t offset = 0;;) {
        const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(list.data() + offset);
        if (reinterpret_cast<DWORD_PTR>(entry->UniqueProcessId) == processId)
            return entry->HandleCount;
        if (entry->NextEntryOffset == 0)
            return 0;
        offset += entry->NextEntryOffset;
    }
}

// Wine cannot wait for a Linux process, so the shell renames the output into place at its end.
std::string RunLinux(const std::string& command)
{
    static int serial = 0;
    const std::string output = "/tmp/quillon-driver-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
    const std::string line = "/bin/sh -c \"(" + command + ") >" + output + ".part 2>&1; mv " + output + ".part " + output + "\"";
    PROCESS_INFORMATION process = {};
    if (!StartProcess(line, SW_HIDE, nullptr, process))
        return "<not started>";
    CloseHandle(process.hProcess);
    const std::string path = WindowsPathOfLinuxPath(output);
    if (!WaitUntil([&] { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }))
        return "<timed out>";
    std::ifstream file(path);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    file.close();
    DeleteFileA(path.c_str());
    return text;
}

std::string AsListed(const std::string& utf8)
{
    wchar_t wide[512] = {};
    char ansi[512] = {};
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide, 512);
    WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, sizeof ansi, nullptr, nullptr);
    MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, 512);
    char back[1024] = {};
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, back, sizeof back, nullptr, nullptr);
    return back;
}
