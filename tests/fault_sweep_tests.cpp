// Every call to the platform that start-up and a Change MAC make, failed in turn: once, from then on
// (a key deleted under a walk, an unplugged device) and every other time from then on (a flaky
// device), through the program's import table, its export slots and the COM fakes. Each fault owes
// its answer, the text that the status line ends in; after every run nothing is left behind, no
// "Done" is claimed that the adapter does not show, and only the program's own texts are shown.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "adapter_id_list.h"
#include "program_window.h"
#include "resource.h"
#include "status_texts.h"

namespace {

enum class Recurs { Once, FromThenOn, EveryOther };
const char* const kRecurs[] = {"once", "from then on", "every other time"};

// A failure that begins at a call of the run, of that call's function (`seen`: its calls since).
struct Fault { size_t call; int way; Recurs recurs; std::string function; int seen = 0; };
struct Call { std::string function, site; int ways; bool failed; };
struct { std::vector<Fault> plan; std::vector<Call> calls; } g_run;

// Notes a call; the way it fails when the plan fails it, otherwise -1.
int Decide(const std::string& function, const void* from, int ways)
{
    const auto offset = reinterpret_cast<const BYTE*>(from) - reinterpret_cast<const BYTE*>(ProgramModule());
    const size_t call = g_run.calls.size();
    g_run.calls.push_back({function, function + (from ? " at +" + std::to_string(offset) : ""), ways, false});
    for (Fault& fault : g_run.plan) {
        const bool begun = fault.recurs == Recurs::Once ? call == fault.call : call >= fault.call && function == fault.function;
        if (begun && (fault.recurs != Recurs::EveryOther || fault.seen++ % 2 == 1))
            return g_run.calls.back().failed = true, fault.way;
    }
    return -1;
}

std::vector<std::function<void()>> g_undo;  // in the reverse order

// A platform function as the program calls it, from a slot of its import table or an export slot:
// noted, and failed or passed on to what the slot held.
template <int Id, typename Signature>
struct Intercepted;
template <int Id, typename R, typename... A>
struct Intercepted<Id, R (*)(A...)> {
    using Function = R (*)(A...);
    static inline const char* name;
    static inline int ways;
    static inline Function original;
    static inline R (*fail)(int way, A...);
    static R Call(A... arguments)
    {
        const int way = Decide(name, __builtin_return_address(0), ways);
        return way < 0 ? original(arguments...) : fail(way, arguments...);
    }
    static void Into(void** slot, const char* function, int count, R (*failure)(int, A...))
    {
        name = function, ways = count, fail = failure, original = reinterpret_cast<Function>(std::exchange(*slot, reinterpret_cast<void*>(&Call)));
        g_undo.push_back([slot] { *slot = reinterpret_cast<void*>(original); });
    }
};
#define INTERCEPT(function, ...) Intercepted<__LINE__, decltype(&function)>::Into(ImportSlot(#function), #function, __VA_ARGS__)
#define INTERCEPT_EXPORT(function, ...) Intercepted<__LINE__, decltype(&function)>::Into(ExportSlot(#function), #function, __VA_ARGS__)

// The list refuses an item (CB_ERRSPACE) where a run fails it.
decltype(&SendMessageA) g_send;
LRESULT WINAPI SendOrRefuseAnItem(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool refused = message == CB_ADDSTRING && Decide("SendMessageA", __builtin_return_address(0), 1) == 0;
    return refused ? CB_ERRSPACE : g_send(window, message, wParam, lParam);
}

// Each fails as documented: its errors, and a success with nothing where it hands back an object.
void InterceptThePlatform()
{
    g_send = reinterpret_cast<decltype(&SendMessageA)>(PatchImport("SendMessageA", reinterpret_cast<void*>(SendOrRefuseAnItem)));
    g_undo.push_back([] { PatchImport("SendMessageA", reinterpret_cast<void*>(g_send)); });
    INTERCEPT(RegOpenKeyExA, 2, [](int way, HKEY, LPCSTR, DWORD, REGSAM, PHKEY key) -> LSTATUS {
        return *key = nullptr, way ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    });
    INTERCEPT(RegEnumKeyA, 1, [](int, HKEY, DWORD, LPSTR, DWORD) -> LSTATUS { return ERROR_KEY_DELETED; });
    INTERCEPT(RegEnumKeyExA, 2, [](int way, HKEY, DWORD, LPSTR, LPDWORD, LPDWORD, LPSTR, LPDWORD, PFILETIME) -> LSTATUS {
        return way ? ERROR_MORE_DATA : ERROR_KEY_DELETED;
    });
    INTERCEPT(RegQueryValueExA, 2, [](int way, HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD size) -> LSTATUS {
        return *size = way ? 4096 : *size, way ? ERROR_MORE_DATA : ERROR_FILE_NOT_FOUND;
    });
    INTERCEPT(RegSetValueExA, 1, [](int, HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD) -> LSTATUS { return ERROR_ACCESS_DENIED; });
    INTERCEPT(CoInitialize, 1, [](int, LPVOID) -> HRESULT { return E_OUTOFMEMORY; });
    INTERCEPT(CoCreateInstance, 2, [](int way, REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID* object) -> HRESULT {
        return *object = nullptr, way ? S_OK : REGDB_E_CLASSNOTREG;
    });
    INTERCEPT(HeapAlloc, 1, [](int, HANDLE, DWORD, SIZE_T) -> LPVOID { return nullptr; });
    INTERCEPT(HeapReAlloc, 1, [](int, HANDLE, DWORD, LPVOID, SIZE_T) -> LPVOID { return nullptr; });
    INTERCEPT(MultiByteToWideChar, 1, [](int, UINT, DWORD, LPCCH, int, LPWSTR, int) { return SetLastError(ERROR_NO_UNICODE_TRANSLATION), 0; });
    INTERCEPT(IIDFromString, 1, [](int, LPCOLESTR, LPIID) -> HRESULT { return CO_E_IIDSTRING; });
    INTERCEPT(LoadLibraryExA, 2, [](int way, LPCSTR, HANDLE, DWORD) -> HMODULE {
        return SetLastError(way ? ERROR_INVALID_PARAMETER : ERROR_MOD_NOT_FOUND), nullptr;  // way 1: a Windows without the search flags
    });
    INTERCEPT(GetSystemDirectoryA, 1, [](int, LPSTR, UINT) -> UINT { return 0; });
    INTERCEPT(GetProcAddress, 1, [](int, HMODULE, LPCSTR) -> FARPROC { return SetLastError(ERROR_PROC_NOT_FOUND), nullptr; });
    INTERCEPT_EXPORT(GetAdaptersInfo, 3, [](int way, PIP_ADAPTER_INFO, PULONG size) -> ULONG {  // way 2: a table grown beyond the first read
        return *size = way == 2 ? 20000 : *size, way == 0 ? ERROR_NOT_SUPPORTED : way == 1 ? ERROR_NO_DATA : ERROR_BUFFER_OVERFLOW;
    });
    INTERCEPT_EXPORT(GetAdaptersAddresses, 3, [](int way, ULONG, ULONG, PVOID, PIP_ADAPTER_ADDRESSES, PULONG size) -> ULONG {
        return *size = way == 2 ? 40000 : *size, way == 0 ? ERROR_NOT_SUPPORTED : way == 1 ? ERROR_NO_DATA : ERROR_BUFFER_OVERFLOW;
    });
    INTERCEPT(CoRegisterMessageFilter, 1, [](int, LPMESSAGEFILTER, LPMESSAGEFILTER* previous) -> HRESULT { return *previous = nullptr, CO_E_NOT_SUPPORTED; });
    // A wait that fails returns at once; the time that passes meanwhile is a moment.
    INTERCEPT(MsgWaitForMultipleObjects, 1, [](int, DWORD, const HANDLE*, BOOL, DWORD, DWORD) -> DWORD { return ++VirtualClock::now, WAIT_FAILED; });
    INTERCEPT(ShutdownBlockReasonCreate, 1, [](int, HWND, LPCWSTR) { return SetLastError(ERROR_ACCESS_DENIED), FALSE; });
    INTERCEPT(FlashWindowEx, 1, [](int, PFLASHWINFO) { return FALSE; });
    INTERCEPT(LoadCursorA, 1, [](int, HINSTANCE, LPCSTR) -> HCURSOR { return SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND), nullptr; });
    INTERCEPT(RegisterWindowMessageA, 1, [](int, LPCSTR) -> UINT { return SetLastError(ERROR_NOT_ENOUGH_MEMORY), 0; });
    *ExportSlot("ChangeWindowMessageFilterEx") = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "ChangeWindowMessageFilterEx"));
    INTERCEPT_EXPORT(ChangeWindowMessageFilterEx, 1, [](int, HWND, UINT, DWORD, PCHANGEFILTERSTRUCT) { return SetLastError(ERROR_ACCESS_DENIED), FALSE; });
}

// The COM fakes' methods: an error, or a success that hands back nothing.
bool ComFails(const std::string& method, bool handsOut, HRESULT& failure)
{
    const int way = Decide("COM " + method, nullptr, handsOut ? 2 : 1);
    failure = way == 1 ? S_OK : method == "Connect" ? HRESULT_FROM_WIN32(ERROR_GEN_FAILURE) : E_FAIL;
    return way >= 0;
}

// The platform's functions that the sweep never fails, and why.
const std::pair<const char*, std::set<std::string>> kNeverFailed[] = {
    {"they release or tell, and their answer is not used", {"RegCloseKey", "FreeLibrary", "HeapFree", "CoUninitialize", "ShutdownBlockReasonDestroy",
        "NotifyWinEvent"}},
    {"they cannot fail", {"GetLastError", "GetProcessHeap", "GetTickCount", "SetCursor"}},
    {"any window, or none, may be in front: it has no failure of its own", {"GetForegroundWindow"}},
    {"on the program's own windows, they fail only for a window that is gone",
        {"GetDlgItem", "SetWindowTextA", "GetWindowTextA", "IsDlgButtonChecked", "EnableWindow", "LoadIconA", "GetSystemMenu", "AppendMenuA",
            "RedrawWindow", "SetWindowLongPtrA", "PostMessageA", "PeekMessageA", "DispatchMessageA", "DestroyWindow", "PostQuitMessage", "wsprintfA",
            "GetWindow", "SetWindowPos"}},
    {"only WinMain and the About box call them, which the shell's tests work",
        {"CreateDialogParamA", "ShowWindow", "GetMessageA", "IsDialogMessageA", "TranslateMessage", "DialogBoxParamA", "EndDialog", "GetModuleHandleA"}},
    {"the C runtime's and the stack guard's, before the first test and after the last",
        {"DeleteCriticalSection", "EnterCriticalSection", "InitializeCriticalSection", "LeaveCriticalSection", "TlsGetValue", "VirtualProtect",
            "VirtualQuery", "Sleep", "SystemFunction036", "OutputDebugStringA", "TerminateProcess", "GetCurrentProcess"}},
};

// The final texts that each fault may end in, by function (and way, where the ways differ). Beside
// its own, a fault may pass silently: a start-up that lists nothing ends in "", a failure that the
// program goes around ends as the run without it does, in "Done"; each such is declared here.
const std::string kNothing;
const std::pair<std::set<std::string>, std::set<std::string>> kOwed[] = {
    {{kNothing}, {"COM network list manager", "COM GetNetworks", "COM IEnumNetworks::Next", "COM GetNetworkConnections"}},
    // The test's own apartment stays; the list holds its first 16 items; no live region, busy pointer, progress or flash.
    {{kDone}, {"CoInitialize", "HeapReAlloc", "CoRegisterMessageFilter", "MsgWaitForMultipleObjects", "ShutdownBlockReasonCreate",
                  "COM property services", "COM SetHwndProp", "FlashWindowEx", "LoadCursorA", "RegisterWindowMessageA",
                  "ChangeWindowMessageFilterEx", "COM taskbar list", "COM HrInit", "COM SetProgressState"}},
    {{kRestartFailed}, {"MultiByteToWideChar", "IIDFromString", "COM connection manager", "COM EnumConnections", "COM Disconnect", "COM Connect"}},
    {{kNothing, kDone}, {"RegEnumKeyA", "SendMessageA", "COM IEnumNetworkConnections::Next", "COM GetAdapterId"}},
    // The walk by the name finds nothing; the walk by the adapter's id then restarts it.
    {{kDone, kRestartFailed}, {"COM IEnumNetConnection::Next", "COM GetProperties"}},
    {{kDone, kNotBack}, {"GetAdaptersInfo", "GetAdaptersAddresses"}},
    {{kNothing, kDone, kRestartFailed}, {"CoCreateInstance"}},
    {{kNothing, kRestartFailed}, {"HeapAlloc"}},
    {{kDone, kNotFound}, {"RegEnumKeyExA"}},
    {{kNothing, kDone, kNotFound}, {"RegQueryValueExA"}},
    {{kNothing, kDone, kClassKeyNotOpened, kNotFound}, {"RegOpenKeyExA/0"}},
    {{kNothing, kDone, kClassKeyNotOpened, kAccessDenied}, {"RegOpenKeyExA/1"}},
    {{kWriteFailed}, {"RegSetValueExA"}},
    {{kDone, kNetshellNotLoaded, kNotBack}, {"LoadLibraryExA"}},
    {{kNetshellNotLoaded, kNotBack}, {"GetSystemDirectoryA"}},
    {{kDone, kFreeFunctionNotLoaded, kNotBack}, {"GetProcAddress"}},
};

std::set<std::string> Owed(const Fault& fault)
{
    std::set<std::string> owed;
    for (const auto& [ends, functions] : kOwed) {
        if (functions.count(fault.function) || functions.count(fault.function + "/" + std::to_string(fault.way)))
            owed.insert(ends.begin(), ends.end());
    }
    return owed;
}

const std::vector<BYTE> kWritten = {0x02, 0xAA, 0xBB, 0xCC, 0xDD, 0x01}, kFactory = {0x02, 0xFA, 0xC7, 0, 0, 0x0A};

class FaultSweep : public ProgramWindow {
protected:
    // Start-up with adapter A reported 17 times, a change of its address (its connection found by
    // its id; the adapter back 200 ms after Connect), then "Close". Returns the status line's last
    // text, and what does not hold afterwards.
    std::pair<std::string, std::string> RunOnce();
};

std::pair<std::string, std::string> FaultSweep::RunOnce()
{
    table = {{Braced(kIdA), kFactory}};
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, DriverKey("0001").c_str(), "NetworkAddress");
    Start({.networks = {std::vector<GUID>(17, kAdapterA)}, .connections = {{L"Wired", kAdapterA}},
        .duringConnect = [](const GUID&) { BringBackAdapter("0001", Braced(kIdA), kFactory, 200); }, .fails = ComFails}, false);
    std::string broken = AdapterIdList.Count() != SendDlgItemMessageA(window, IDC_CONNECTION, CB_GETCOUNT, 0, 0) ? "an item without its id; " : "";
    SendMessageA(window, WM_NULL, 0, 0);  // no "TaskbarButtonCreated" where none was registered
    Type(window, IDC_NEW_MAC, "02AABBCCDD01");
    statusTexts.clear();
    Click(window, IDC_CHANGE_MAC);
    const std::string end = Text(IDC_STATUS);
    Click(window, IDCANCEL);  // as Escape: through WM_CLOSE, which leaves COM

    const auto times = [](const char* f) { return std::count_if(g_run.calls.begin(), g_run.calls.end(), [&](const Call& c) { return c.function == f; }); };
    broken += times("ShutdownBlockReasonCreate") > 1 ? "log-off is held up more than once; " : "";
    broken += !fakes->Taskbar().empty() && fakes->Taskbar().back().rfind("indeterminate", 0) == 0 ? "the taskbar button keeps its progress; " : "";
    const bool unregistered = std::any_of(g_run.calls.begin(), g_run.calls.end(), [](const Call& c) { return c.failed && c.function == "RegisterWindowMessageA"; });
    broken += unregistered && !fakes->Taskbar().empty() ? "the taskbar's list used with no \"TaskbarButtonCreated\" known; " : "";
    for (const std::string& text : statusTexts)
        broken += std::count(std::begin(kEveryStatusText), std::end(kEveryStatusText), text) ? "" : "the status line says \"" + text + "\"; ";
    const bool shown = std::any_of(table.begin(), table.end(), [](const TableRecord& r) { return r.name == Braced(kIdA) && r.address == kWritten; });
    broken += std::count(statusTexts.begin(), statusTexts.end(), kDone) && !shown ? "\"Done\", but the adapter does not show the address; " : "";
    return {end, broken + Close()};
}

TEST_F(FaultSweep, EachFailureOfThePlatformEndsInWhatItOwesAndLeavesNothingBehind)
{
    for (const auto& [key, id] : {std::pair{"0000", Braced(kIdB)}, {"0001", Braced(kIdA)}})
        ASSERT_TRUE(SeedText(DriverKey(key), "NetCfgInstanceId", id)) << key;
    ASSERT_TRUE(SeedText(ConnectionKey(kAdapterClassName, kIdA), "Name", "Ethernet"));
    InterceptThePlatform();
    ASSERT_EQ(RunOnce(), std::make_pair(std::string(kDone), std::string())) << "the run without failures";
    const std::vector<Call> clean = std::exchange(g_run, {}).calls;

    size_t tried = 0, persistent = 0;
    std::set<std::string> failedSites, failedFunctions, cleanSites;
    std::vector<std::vector<Fault>> followUps;
    std::string lastEnd;
    // Runs the plan; false when it injected nothing.
    const auto run = [&](const std::vector<Fault>& plan) {
        g_run = {plan, {}};
        const auto [end, broken] = RunOnce();
        lastEnd = end;
        const std::vector<Call> calls = std::exchange(g_run, {}).calls;
        if (std::none_of(calls.begin(), calls.end(), [](const Call& c) { return c.failed; }))
            return false;
        ++tried, persistent += plan.back().recurs != Recurs::Once;
        std::string faults;
        std::set<std::string> owed;
        for (const Fault& fault : plan) {
            faults += fault.function + " (call " + std::to_string(fault.call) + ", way " + std::to_string(fault.way) + ", " + kRecurs[int(fault.recurs)] + "); ";
            owed.merge(Owed(fault));
        }
        EXPECT_EQ(broken, "") << faults;
        EXPECT_TRUE(owed.count(end)) << faults << "ends in \"" << end << "\"";
        for (size_t i = 0; i < calls.size(); ++i) {
            if (calls[i].failed)
                failedSites.insert(calls[i].site), failedFunctions.insert(calls[i].function);
            // A call site that only a failure reaches fails after it, once each way.
            for (int way = 0; plan.size() == 1 && plan[0].recurs == Recurs::Once && i > plan[0].call && !cleanSites.count(calls[i].site) && way < calls[i].ways; ++way)
                followUps.push_back({plan[0], {i, way, Recurs::Once, calls[i].function}});
            cleanSites.insert(calls[i].site);
        }
        return true;
    };
    for (const Call& call : clean)
        cleanSites.insert(call.site);
    const std::set<std::string> reached = cleanSites;
    // Each call of the run in turn, each way, until a run injects nothing; of the calls that a loop
    // makes at one site, the first two and the last.
    std::map<std::string, int> left, failedAt;
    for (const Call& call : clean)
        ++left[call.site];
    for (size_t call = 0;; ++call) {
        if (call < clean.size() && --left[clean[call].site] > 0 && failedAt[clean[call].site]++ >= 2)
            continue;
        if (!run({{call, 0, Recurs::Once, call < clean.size() ? clean[call].function : ""}}))
            break;
        for (int way = 1; way < clean[call].ways; ++way)
            run({{call, way, Recurs::Once, clean[call].function}});
    }
    for (size_t next = 0; next < followUps.size(); ++next)
        run(followUps[next]);
    // From each call site's first call on, each way.
    std::set<std::string> begun;
    for (size_t call = 0; call < clean.size(); ++call) {
        for (int way = 0; begun.insert(clean[call].site).second && way < clean[call].ways; ++way)
            run({{call, way, Recurs::FromThenOn, clean[call].function}});
    }
    // Every other call of each function, each way, its first call passing.
    std::set<std::string> flaky;
    for (const Call& call : clean) {
        for (int way = 0; flaky.insert(call.function).second && way < call.ways; ++way)
            run({{0, way, Recurs::EveryOther, call.function}});
    }
    // ... and over a walk longer than its bound of failures in a row (256): 600 subkeys of the Network
    // key before the one that holds adapter A's entry, behind another adapter's, which it still reaches.
    for (int subkey = 0; subkey < 600; ++subkey)
        ASSERT_TRUE(SeedText(std::string(kNetworkKeyPath) + "\\" + std::to_string(1000 + subkey), "Unrelated", "")) << subkey;
    ASSERT_TRUE(SeedText(ConnectionKey(kAdapterClassName, "00000000-0000-0000-0000-000000000000"), "Unrelated", ""));
    run({{0, 0, Recurs::EveryOther, "RegEnumKeyA"}});
    EXPECT_EQ(lastEnd, kDone) << "a flaky walk of 600 subkeys gave up before adapter A's entry";
    RemoveKey(kNetworkKeyPath);
    for (auto undo = g_undo.rbegin(); undo != g_undo.rend(); ++undo)
        (*undo)();
    g_undo.clear();

    for (const std::string& site : reached)
        EXPECT_TRUE(failedSites.count(site)) << site << " was never failed";
    std::set<std::string> expected, failed;
    for (const Import& import : Imports()) {  // from Windows' DLLs, the C runtime's aside
        if (_stricmp(import.dll.c_str(), "msvcrt.dll") != 0)
            expected.insert(import.function);
    }
    for (const auto& [why, functions] : kNeverFailed)
        std::erase_if(expected, [&](const std::string& f) { return functions.count(f); });
    const std::set<std::string> lookedUp = {"GetAdaptersInfo", "GetAdaptersAddresses", "ChangeWindowMessageFilterEx"};  // not imported
    std::copy_if(failedFunctions.begin(), failedFunctions.end(), std::inserter(failed, failed.end()),
        [&](const std::string& f) { return f.rfind("COM ", 0) != 0 && !lookedUp.count(f); });
    EXPECT_EQ(failed, expected) << "the functions failed, against those the program imports";
    EXPECT_TRUE(std::includes(failedFunctions.begin(), failedFunctions.end(), lookedUp.begin(), lookedUp.end())) << "the functions looked up";
    std::printf("The sweep tried %zu failures (%zu of them persistent or recurring) at %zu call sites of %zu functions.\n", tried, persistent,
        failedSites.size(), failedFunctions.size());
}

}  // namespace
