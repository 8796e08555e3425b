// Measurements for bench/run.sh, run under Wine in the lab. Each mode prints one line,
// "name value unit" (medians over the runs):
//
//   quillon_bench.exe startup RUNS EXE...    process start until the main window is visible
//                                            (for Quillon.exe: list filled, first address shown),
//                                            and the program's peak working set; the programs
//                                            take turns, run after run: "startup_NAME" each
//   quillon_bench.exe press RUNS             "Change MAC" pressed until the status line is final
//   quillon_bench.exe restart RUNS           RestartConnection alone, through the stand-in
//   quillon_bench.exe walk KEYS RUNS         ApplyNetworkAddress over KEYS driver keys, none
//                                            matching: the registry walk alone
//   quillon_bench.exe subkeys COUNT          adds COUNT empty subkeys to the Network key
#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app_globals.h"
#include "connection_restart.h"
#include "network_address.h"
#include "quillon_remote.h"
#include "resource.h"
#include "status_line.h"

namespace {

INT_PTR CALLBACK Inert(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// The main window's controls, for the status line that the code under measurement writes.
void CreateMainDialog()
{
    g_hInstance = GetModuleHandleA(nullptr);
    g_hMainWnd = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, Inert, 0);
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

double TimeIt(const std::function<void()>& work)
{
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    work();
    QueryPerformanceCounter(&end);
    return Milliseconds(start, end);
}

// The visible main window of the process, by its class and caption, without messages to it.
HWND VisibleWindowOf(DWORD processId)
{
    for (HWND window = FindWindowA("#32770", "Quillon"); window; window = FindWindowExA(nullptr, window, "#32770", "Quillon")) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

struct Started {
    double milliseconds;
    double peakKiB;
};

// One start of a program: from its process's creation until its main window is visible; then closed.
bool StartOnce(const std::string& exe, Started& started)
{
    LARGE_INTEGER start, shown;
    QueryPerformanceCounter(&start);
    Program program(SW_SHOWNORMAL, exe);
    HWND window = nullptr;
    while (!(window = VisibleWindowOf(program.Id())) && WaitForSingleObject(program.Handle(), 1) == WAIT_TIMEOUT) {
    }
    QueryPerformanceCounter(&shown);
    started.milliseconds = Milliseconds(start, shown);
    if (!window)
        return false;

    Sleep(300);  // let it settle before the peak is read
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    started.peakKiB = GetProcessMemoryInfo(program.Handle(), &memory, sizeof memory) ? static_cast<double>(memory.PeakWorkingSetSize) / 1024.0 : 0.0;
    PostMessageA(window, WM_CLOSE, 0, 0);
    return program.ExitCode() == 0;
}

// The programs take turns, so that whatever the machine does meanwhile falls on all of them.
int Startup(int runs, const std::vector<std::string>& exes)
{
    std::vector<std::vector<double>> times(exes.size()), peaks(exes.size());
    for (int run = 0; run < runs; ++run) {
        for (size_t i = 0; i < exes.size(); ++i) {
            Started started = {};
            if (!StartOnce(exes[i], started))
                return 1;
            times[i].push_back(started.milliseconds);
            peaks[i].push_back(started.peakKiB);
        }
    }
    for (size_t i = 0; i < exes.size(); ++i) {
        std::string name = exes[i].substr(exes[i].find_last_of("\\/") + 1);
        name = name.substr(0, name.rfind('.'));
        std::printf("startup_%s %.1f ms\npeak_working_set_%s %.0f KiB\n", name.c_str(), Median(times[i]), name.c_str(), Median(peaks[i]));
    }
    return 0;
}

int Press(const std::string& exe, int runs)
{
    Program quillon(SW_SHOWNORMAL, exe);
    HWND window = quillon.Window();
    if (!window)
        return 1;
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        Type(window, IDC_NEW_MAC, run % 2 ? "02AABBCCDD31" : "02AABBCCDD32");
        times.push_back(TimeIt([&] { Click(window, IDC_CHANGE_MAC); }));
        if (ControlText(window, IDC_STATUS) != "Done")
            return 1;
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    std::printf("press %.1f ms\n", Median(times));
    return quillon.ExitCode() == 0 ? 0 : 1;
}

int Restart(int runs)
{
    CoInitialize(nullptr);
    CreateMainDialog();
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        Outcome restarted = Outcome::RestartFailed;
        times.push_back(TimeIt([&] { restarted = RestartConnection("Ethernet", ""); }));
        if (restarted != Outcome::Done)
            return 1;
    }
    std::printf("restart %.1f ms\n", Median(times));
    return 0;
}

int Walk(int keys, int runs)
{
    CoInitialize(nullptr);
    CreateMainDialog();
    RemoveKey(kAdapterClassKeyPath);
    for (int key = 0; key < keys; ++key) {
        char name[8], id[64];
        std::snprintf(name, sizeof name, "%04d", key);
        std::snprintf(id, sizeof id, "{BE7C0000-0000-0000-0000-%012d}", key);
        SeedText(DriverKey(name), "NetCfgInstanceId", id);
    }
    std::vector<double> times;
    for (int run = 0; run < runs; ++run)
        times.push_back(TimeIt([] { ApplyNetworkAddress("Ethernet", "{00000000-0000-0000-0000-000000000000}", ""); }));
    std::printf("walk_%d %.2f ms\n", keys, Median(times));
    return 0;
}

int AddNetworkSubkeys(int count)
{
    for (int subkey = 0; subkey < count; ++subkey) {
        char path[128];
        std::snprintf(path, sizeof path, "%s\\bench-%04d", kNetworkKeyPath, subkey);
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return 1;
        RegCloseKey(key);
    }
    return 0;
}

// A program's path as given by bench/run.sh, a Linux one, as a Windows path.
std::string ProgramPath(const char* path)
{
    return path[0] == '/' ? WindowsPathOfLinuxPath(path) : path;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "startup" && argc >= 4) {
        std::vector<std::string> programs;
        for (int i = 3; i < argc; ++i)
            programs.push_back(ProgramPath(argv[i]));
        return Startup(std::atoi(argv[2]), programs);
    }
    if (mode == "press" && argc == 4)
        return Press(ProgramPath(argv[2]), std::atoi(argv[3]));
    if (mode == "restart" && argc == 3)
        return Restart(std::atoi(argv[2]));
    if (mode == "walk" && argc == 4)
        return Walk(std::atoi(argv[2]), std::atoi(argv[3]));
    if (mode == "subkeys" && argc == 3)
        return AddNetworkSubkeys(std::atoi(argv[2]));
    std::fprintf(stderr, "usage: see the top of quillon_bench.cpp\n");
    return 2;
}
