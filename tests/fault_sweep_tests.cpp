// Every call to the platform that start-up and a Change MAC make, failed in turn: through the
// program's import table and seams, the table behind the IP Helper's export, and the COM fakes.
// After each run: nothing left behind, no "Done" that the adapter does not show, only the
// program's own status texts.
#include <windows.h>

#include <cstdio>
#include <map>
#include <numeric>
#include <set>

#include "adapter_id_list.h"
#include "apartment_spy.h"
#include "network_address.h"
#include "program_window.h"
#include "resource.h"
#include "status_texts.h"
#include "system_modules.h"

namespace {

// A call to the platform ("COM Connect" for a fake's method), its site, its ways to fail; a failure.
struct Call { std::string function, site; int modes; };
struct Failure { size_t call; int mode; std::string site; };
struct {
    std::vector<Failure> plan;
    std::vector<Call> calls;  // so far
} g_run;

// Notes a call; the way it fails when the plan fails it, otherwise -1.
int Decide(const std::string& function, const void* from, int modes)
{
    const auto offset = reinterpret_cast<const BYTE*>(from) - reinterpret_cast<const BYTE*>(ProgramModule());
    g_run.calls.push_back({function, function + (from ? " at +" + std::to_string(offset) : ""), modes});
    const auto failure = std::find_if(g_run.plan.begin(), g_run.plan.end(), [](const Failure& f) { return f.call == g_run.calls.size() - 1; });
    return failure == g_run.plan.end() ? -1 : failure->mode;
}

std::vector<std::function<void()>> g_undo;  // in the reverse order

// A platform function as the program calls it, from a slot of its import table or a seam: noted,
// and failed or passed on.
template <int Id, typename Signature>
struct Intercepted;
template <int Id, typename R, typename... A>
struct Intercepted<Id, R (*)(A...)> {
    using Function = R (*)(A...);
    static inline const char* name;
    static inline int modes;
    static inline Function original;
    static inline R (*fail)(int mode, A...);
    static R Call(A... arguments)
    {
        const int mode = Decide(name, __builtin_return_address(0), modes);
        return mode < 0 ? original(arguments...) : fail(mode, arguments...);
    }
    static void Into(Function* slot, const char* function, int ways, R (*failure)(int, A...))
    {
        name = function, modes = ways, fail = failure, original = std::exchange(*slot, &Call);
        g_undo.push_back([slot] { *slot = original; });
    }
};
#define INTERCEPT(function, ...) \
    Intercepted<__LINE__, decltype(&function)>::Into(reinterpret_cast<decltype(&function)*>(ImportSlot(#function)), #function, __VA_ARGS__)
#define INTERCEPT_SEAM(seam, function, ...) Intercepted<__LINE__, decltype(seam)>::Into(&seam, function, __VA_ARGS__)
// Two set up by hand, whose interceptions pass calls on to the test's own functions.
using Table = Intercepted<0, decltype(&GetAdaptersInfo)>;
using Export = Intercepted<1, decltype(&GetProcAddress)>;

// The program's heap blocks not yet freed (the heap's size does not tell: Wine keeps some bytes per
// dialog), and whether one was written past its end (the heap checks tails: tools/wine-env.sh).
std::set<void*> g_programBlocks;
bool g_overrun = false;
LPVOID WINAPI TrackedHeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes)
{
    return *g_programBlocks.insert(HeapAlloc(heap, flags, bytes)).first;
}
BOOL WINAPI TrackedHeapFree(HANDLE heap, DWORD flags, LPVOID block)
{
    g_overrun = g_overrun || !HeapValidate(heap, 0, block);
    g_programBlocks.erase(block);
    return HeapFree(heap, flags, block);
}

// Notes a module loaded from elsewhere than the system folder (by the search flag, or by its path).
std::string g_loadedElsewhere;
HMODULE WINAPI LoadFromTheSystemFolderOnly(LPCSTR name, HANDLE file, DWORD flags)
{
    if (!(flags & LOAD_LIBRARY_SEARCH_SYSTEM32) && _strnicmp(name, SystemFolder().c_str(), SystemFolder().size()) != 0)
        g_loadedElsewhere = name;
    return LoadLibraryExA(name, file, flags);
}

// The list refuses an item (CB_ERRSPACE) as the one failure of a run that may fail there.
decltype(&SendMessageA) g_send;
LRESULT WINAPI SendOrRefuseAnItem(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool refused = message == CB_ADDSTRING && Decide("SendMessageA CB_ADDSTRING", __builtin_return_address(0), 1) == 0;
    return refused ? CB_ERRSPACE : g_send(window, message, wParam, lParam);
}

// The IP Helper's GetAdaptersInfo, as the program looks it up: the test's table, intercepted.
FARPROC WINAPI ExportWithTheTestsTable(HMODULE module, LPCSTR name)
{
    return HIWORD(name) && std::string(name) == "GetAdaptersInfo" ? reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&Table::Call))
                                                                   : GetProcAddress(module, name);
}

// Each fails as documented: its errors, and a success with nothing where it hands back an object.
void InterceptThePlatform()
{
    // (HeapReAlloc grows a list past 16 entries, which this scenario does not reach.)
    for (const auto& [function, tracked] : {std::pair<const char*, void*>{"HeapAlloc", reinterpret_cast<void*>(TrackedHeapAlloc)},
             {"HeapFree", reinterpret_cast<void*>(TrackedHeapFree)}}) {
        void* system = PatchImport(function, tracked);
        g_undo.push_back([function, system] { PatchImport(function, system); });
    }
    g_send = reinterpret_cast<decltype(&SendMessageA)>(PatchImport("SendMessageA", reinterpret_cast<void*>(SendOrRefuseAnItem)));
    g_undo.push_back([] { PatchImport("SendMessageA", reinterpret_cast<void*>(g_send)); });
    INTERCEPT(RegOpenKeyExA, 2, [](int mode, HKEY, LPCSTR, DWORD, REGSAM, PHKEY key) -> LSTATUS {
        return *key = nullptr, mode ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    });
    INTERCEPT(RegEnumKeyA, 1, [](int, HKEY, DWORD, LPSTR, DWORD) -> LSTATUS { return ERROR_KEY_DELETED; });
    INTERCEPT(RegEnumKeyExA, 2, [](int mode, HKEY, DWORD, LPSTR, LPDWORD, LPDWORD, LPSTR, LPDWORD, PFILETIME) -> LSTATUS {
        return mode ? ERROR_MORE_DATA : ERROR_KEY_DELETED;
    });
    INTERCEPT(RegQueryValueExA, 2, [](int mode, HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD size) -> LSTATUS {
        return *size = mode ? 4096 : *size, mode ? ERROR_MORE_DATA : ERROR_FILE_NOT_FOUND;
    });
    INTERCEPT_SEAM(g_regSetValueExA, "RegSetValueExA", 1, [](int, HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD) -> LSTATUS { return ERROR_ACCESS_DENIED; });
    INTERCEPT(CoInitialize, 1, [](int, LPVOID) -> HRESULT { return E_OUTOFMEMORY; });
    INTERCEPT(CoCreateInstance, 2, [](int mode, REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID* object) -> HRESULT {
        return *object = nullptr, mode ? S_OK : REGDB_E_CLASSNOTREG;
    });
    INTERCEPT(HeapAlloc, 1, [](int, HANDLE, DWORD, SIZE_T) -> LPVOID { return nullptr; });
    INTERCEPT(MultiByteToWideChar, 1, [](int, UINT, DWORD, LPCCH, int, LPWSTR, int) { return SetLastError(ERROR_NO_UNICODE_TRANSLATION), 0; });
    INTERCEPT(IIDFromString, 1, [](int, LPCOLESTR, LPIID) -> HRESULT { return CO_E_IIDSTRING; });
    using Loader = Intercepted<2, decltype(g_loadLibraryExA)>;
    Loader::Into(&g_loadLibraryExA, "LoadLibraryExA", 2, [](int mode, LPCSTR, HANDLE, DWORD) -> HMODULE {
        return SetLastError(mode ? ERROR_INVALID_PARAMETER : ERROR_MOD_NOT_FOUND), nullptr;  // way 1: a Windows without the search flags
    });
    Loader::original = LoadFromTheSystemFolderOnly;
    INTERCEPT(GetSystemDirectoryA, 1, [](int, LPSTR, UINT) -> UINT { return 0; });
    Export::Into(reinterpret_cast<Export::Function*>(ImportSlot("GetProcAddress")), "GetProcAddress", 1,
        [](int, HMODULE, LPCSTR) -> FARPROC { return SetLastError(ERROR_PROC_NOT_FOUND), nullptr; });
    Export::original = ExportWithTheTestsTable;  // the system's exports, the test's table (the undo gives the system's back)
    Table::name = "GetAdaptersInfo", Table::modes = 3, Table::original = AdapterTableOfTheTest;
    Table::fail = [](int mode, PIP_ADAPTER_INFO, PULONG size) -> ULONG {  // way 2: a table grown beyond the first read
        return *size = mode == 2 ? 20000 : *size, mode == 0 ? ERROR_NOT_SUPPORTED : mode == 1 ? ERROR_NO_DATA : ERROR_BUFFER_OVERFLOW;
    };
    INTERCEPT(MsgWaitForMultipleObjects, 1, [](int, DWORD, const HANDLE*, BOOL, DWORD, DWORD) -> DWORD { return WAIT_FAILED; });
    INTERCEPT(ShutdownBlockReasonCreate, 1, [](int, HWND, LPCWSTR) { return SetLastError(ERROR_ACCESS_DENIED), FALSE; });
    INTERCEPT(ShutdownBlockReasonDestroy, 0, [](int, HWND) { return FALSE; });
}

// The COM fakes' methods: an error, or a success that hands back nothing.
bool ComFails(const std::string& method, bool handsOut, HRESULT& failure)
{
    const int mode = Decide("COM " + method, nullptr, handsOut ? 2 : 1);
    failure = mode == 1 ? S_OK : method == "Connect" ? HRESULT_FROM_WIN32(ERROR_GEN_FAILURE) : E_FAIL;
    return mode >= 0;
}

const std::set<std::string> kProgramTexts = {"", kStatusClassKeyNotOpened, kStatusAdapterNotFound, kStatusAccessDenied, kStatusResetting, kStatusDone,
    kStatusAddressNotTaken, kStatusNotBack, kStatusWriteFailed, kStatusNetshellNotLoaded, kStatusFreeFunctionNotLoaded, kStatusRestartFailed};

// Where the sweep must reach: the call sites of each function in start-up and a Change MAC
// (some only after a failure), in the program as built for the tests. COM methods have one each.
const std::map<std::string, size_t> kListedSites = {{"CoInitialize", 1}, {"CoCreateInstance", 2}, {"HeapAlloc", 5}, {"RegOpenKeyExA", 6},
    {"RegEnumKeyA", 2}, {"RegEnumKeyExA", 1}, {"RegQueryValueExA", 2}, {"RegSetValueExA", 1}, {"MultiByteToWideChar", 2},
    {"IIDFromString", 1}, {"LoadLibraryExA", 2}, {"GetSystemDirectoryA", 1}, {"GetProcAddress", 2}, {"GetAdaptersInfo", 1},
    {"MsgWaitForMultipleObjects", 1}, {"ShutdownBlockReasonCreate", 1}, {"ShutdownBlockReasonDestroy", 1}, {"SendMessageA CB_ADDSTRING", 1},
    {"COM network list manager", 1},
    {"COM GetNetworks", 1}, {"COM IEnumNetworks::Next", 1}, {"COM GetNetworkConnections", 1}, {"COM IEnumNetworkConnections::Next", 1},
    {"COM GetAdapterId", 1}, {"COM connection manager", 1}, {"COM EnumConnections", 1}, {"COM IEnumNetConnection::Next", 1},
    {"COM GetProperties", 1}, {"COM Disconnect", 1}, {"COM Connect", 1}};

const std::vector<BYTE> kWritten = {0x02, 0xAA, 0xBB, 0xCC, 0xDD, 0x01}, kFactory = {0x02, 0xFA, 0xC7, 0, 0, 0x0A};

class FaultSweep : public ProgramWindow {
protected:
    // Start-up, a change of adapter A's address (its connection found by its id, one of its two
    // driver keys only readable, the adapter back 200 ms after Connect), then "Close". Returns
    // what does not hold afterwards.
    std::string RunOnce();
};

std::string FaultSweep::RunOnce()
{
    const size_t handles = HandleCount(GetCurrentProcessId()), blocks = g_programBlocks.size();
    ApartmentSpy apartment;
    table = {{Braced(kIdA), kFactory}};
    for (const char* key : {"0001", "0002"})
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, DriverKey(key).c_str(), "NetworkAddress");
    Start({.networks = {{kAdapterA}}, .connections = {{L"Wired", kAdapterA}},
        .duringConnect = [](const GUID&) { RestartDriver("0002", Braced(kIdA), kFactory, 200); }, .fails = ComFails});
    std::string broken = AdapterIdList.Count() != SendDlgItemMessageA(window, IDC_CONNECTION, CB_GETCOUNT, 0, 0) ? "an item without its id; " : "";
    Type(window, IDC_NEW_MAC, "02AABBCCDD01");
    statusTexts.clear();
    Click(window, IDC_CHANGE_MAC);
    Click(window, IDCANCEL);  // as Escape: through WM_CLOSE, which uninitialises COM

    const auto times = [](const char* f) { return std::count_if(g_run.calls.begin(), g_run.calls.end(), [&](const Call& c) { return c.function == f; }); };
    broken += times("ShutdownBlockReasonCreate") != 1 || times("ShutdownBlockReasonDestroy") != 1 ? "log-off is not held up for the command alone; " : "";
    for (const std::string& text : statusTexts)
        broken += kProgramTexts.count(text) ? "" : "the status line says \"" + text + "\"; ";
    const bool shown = std::any_of(table.begin(), table.end(), [](const TableRecord& r) { return r.name == Braced(kIdA) && r.address == kWritten; });
    broken += std::count(statusTexts.begin(), statusTexts.end(), "Done") && !shown ? "\"Done\", but the adapter does not show the address; " : "";
    broken += HandleCount(GetCurrentProcessId()) > handles ? "a handle is left open; " : "";
    g_programBlocks.erase(nullptr);
    broken += g_programBlocks.size() > blocks ? "a heap block is left; " : "";
    broken += std::exchange(g_overrun, false) || !HeapValidate(GetProcessHeap(), 0, nullptr) ? "a heap block was written past its end; " : "";
    broken += apartment.unbalanced ? "COM is not uninitialised as often as it was initialised; " : "";
    broken += GetModuleHandleA("netshell.dll") ? "Netshell.dll is still loaded; " : "";
    broken += std::exchange(g_loadedElsewhere, "").empty() ? "" : "a module is loaded from outside the system folder; ";
    return broken + fakes->Unbalanced();
}

TEST_F(FaultSweep, EveryCallToThePlatformFailsInTurnAndNothingIsLeftBehindNorClaimed)
{
    for (const auto& [key, id] : {std::pair{"0000", Braced(kIdB)}, {"0001", Braced(kIdA)}, {"0002", Braced(kIdA)}})
        ASSERT_TRUE(SeedText(DriverKey(key), "NetCfgInstanceId", id)) << key;
    ASSERT_TRUE(SetKeyReadOnly(DriverKey("0001"), true) && SeedText(ConnectionKey(kAdapterClassName, kIdA), "Name", "Ethernet"));
    ReachTheTableThroughTheSystemsModule();
    InterceptThePlatform();
    RunOnce();  // the list of adapter ids keeps its block for the process

    // Every call of the run without failures fails in turn, each way; a call site that only a
    // failure reaches fails after it, once each way.
    std::vector<std::vector<Failure>> plans = {{}};
    std::set<std::pair<std::string, int>> failedSites;
    std::map<std::string, std::set<std::string>> reached;  // the call sites of each function
    for (size_t next = 0; next < plans.size(); ++next) {
        const std::vector<Failure> plan = plans[next];
        g_run = {plan, {}};
        std::string failed;
        for (const Failure& failure : plan)
            failed += failure.site + " (call " + std::to_string(failure.call) + ", way " + std::to_string(failure.mode) + "); ";
        EXPECT_EQ(RunOnce(), "") << failed;
        const std::vector<Call> calls = std::exchange(g_run, {}).calls;
        for (size_t call = 0; call < calls.size(); ++call) {
            reached[calls[call].function].insert(calls[call].site);
            for (int mode = 0; mode < calls[call].modes; ++mode) {
                if ((plan.empty() || (call > plan.back().call && !failedSites.count({calls[call].site, mode}))) && plans.size() < 2000)
                    plans.push_back(plan), plans.back().push_back({call, mode, calls[call].site});
                failedSites.insert({calls[call].site, mode});
            }
        }
    }
    for (auto undo = g_undo.rbegin(); undo != g_undo.rend(); ++undo)
        (*undo)();
    g_undo.clear();
    SetKeyReadOnly(DriverKey("0001"), false);

    const size_t sites = std::accumulate(reached.begin(), reached.end(), size_t{0}, [](size_t n, const auto& f) { return n + f.second.size(); });
    std::printf("The sweep tried %zu failures and reached %zu call sites of %zu functions.\n", plans.size() - 1, sites, reached.size());
    for (const auto& [function, count] : kListedSites)
        EXPECT_EQ(reached[function].size(), count) << "the call sites of " << function << " reached";
}

}  // namespace
