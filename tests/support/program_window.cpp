#include "program_window.h"

#include <objbase.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <utility>

#include "adapter_id_list.h"
#include "app_globals.h"
#include "main_window.h"
#include "resource.h"
#include "status_line.h"

extern "C" ULONG NTAPI RtlGetNtGlobalFlags();

namespace {

// The records in place now on the virtual clock that a table lists: an adapter is listed when it has
// one of the address families asked for (GetAdaptersInfo's table asks for IPv4 only).
std::vector<TableRecord> Listed(ULONG family)
{
    std::vector<TableRecord> records;
    std::copy_if(ProgramWindow::table.begin(), ProgramWindow::table.end(), std::back_inserter(records), [family](const TableRecord& r) {
        return r.from <= VirtualClock::now && ((family != AF_INET6 && r.ipv4) || (family != AF_INET && r.ipv6));
    });
    return records;
}

// The program's heap blocks not yet freed, with their sizes (the heap's size does not tell: Wine keeps
// some bytes per dialog), and whether one was written past its end.
std::map<void*, SIZE_T> g_programBlocks;
bool g_overrun = false;
LPVOID WINAPI TrackedHeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes)
{
    void* block = HeapAlloc(heap, flags, bytes);
    g_programBlocks[block] = bytes;
    return block;
}
LPVOID WINAPI TrackedHeapReAlloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T bytes)
{
    void* grown = HeapReAlloc(heap, flags, block, bytes);
    if (grown)
        g_programBlocks.erase(block), g_programBlocks[grown] = bytes;
    return grown;
}
BOOL WINAPI TrackedHeapFree(HANDLE heap, DWORD flags, LPVOID block)
{
    g_overrun = g_overrun || !HeapValidate(heap, 0, block);
    g_programBlocks.erase(block);
    return HeapFree(heap, flags, block);
}

// As the IP Helper answers: ERROR_NO_DATA without a record; ERROR_BUFFER_OVERFLOW, with the size
// needed in *size, when `count` records of `stride` bytes do not fit; else NO_ERROR, the room zeroed.
// A room larger than the stack's, 16 records of GetAdaptersInfo's 704 bytes, must be a program's heap
// block of that size (HeapSize is not asked: a room on the stack is no heap block).
ULONG Fit(void* buffer, ULONG* size, size_t count, size_t stride)
{
    const ULONG needed = static_cast<ULONG>(count * stride);
    if (count == 0)
        return ERROR_NO_DATA;
    if (*size < needed) {
        *size = needed;
        if (ProgramWindow::growthBetweenReads > 0 && ProgramWindow::growthBetweenReads--)
            ProgramWindow::table.insert(ProgramWindow::table.begin(), TableRecord{"{grown}", {0, 0, 0, 0, 0, 0}});
        return ERROR_BUFFER_OVERFLOW;
    }
    const auto block = g_programBlocks.find(buffer);
    if (*size > 11264 && (block == g_programBlocks.end() || block->second < *size))
        ++ProgramWindow::tableOverruns;
    std::memset(buffer, 0, needed);
    return NO_ERROR;
}

}  // namespace

ULONG WINAPI AdapterTableOfTheTest(IP_ADAPTER_INFO* buffer, ULONG* size)
{
    if (++ProgramWindow::tableReads && ProgramWindow::duringTableRead)
        ProgramWindow::duringTableRead();
    if (!size)
        return ERROR_INVALID_PARAMETER;
    const std::vector<TableRecord> records = Listed(AF_INET);
    const ULONG status = Fit(buffer, size, records.size(), sizeof *buffer);
    for (size_t i = 0; status == NO_ERROR && i < records.size(); ++i) {
        buffer[i].Next = i + 1 < records.size() ? &buffer[i + 1] : nullptr;
        std::strncpy(buffer[i].AdapterName, records[i].name.c_str(), sizeof buffer[i].AdapterName - 1);
        std::memcpy(buffer[i].Address, records[i].address.data(), records[i].address.size());
        buffer[i].AddressLength = records[i].addressLength;
    }
    return status;
}

// Each record is followed by its names and, unless the flags skip them, its unicast addresses of the
// family asked for: an IPv4 one, an IPv6 one, or both. Only AF_INET, AF_INET6 and AF_UNSPEC are
// families; the reserved pointer is null.
ULONG WINAPI AddressTableOfTheTest(ULONG family, ULONG flags, PVOID reserved, IP_ADAPTER_ADDRESSES* buffer, ULONG* size)
{
    struct alignas(8) Head {
        IP_ADAPTER_ADDRESSES adapter;
        char name[64];
        wchar_t friendlyName[64], description[64], dnsSuffix[1];
    };
    struct alignas(8) Address {
        IP_ADAPTER_UNICAST_ADDRESS entry;
        SOCKADDR_INET socket;
    };
    if ((family != AF_INET && family != AF_INET6 && family != AF_UNSPEC) || reserved || !size)
        return ERROR_INVALID_PARAMETER;
    const bool unicast = !(flags & GAA_FLAG_SKIP_UNICAST);
    const std::vector<TableRecord> records = Listed(family);
    const size_t stride = sizeof(Head) + (unicast ? 2 * sizeof(Address) : 0);
    const ULONG status = Fit(buffer, size, records.size(), stride);
    for (size_t i = 0; status == NO_ERROR && i < records.size(); ++i) {
        auto* head = reinterpret_cast<Head*>(reinterpret_cast<BYTE*>(buffer) + i * stride);
        IP_ADAPTER_ADDRESSES& a = head->adapter;
        a.Length = sizeof a;
        a.Next = i + 1 < records.size() ? reinterpret_cast<IP_ADAPTER_ADDRESSES*>(reinterpret_cast<BYTE*>(head) + stride) : nullptr;
        a.AdapterName = std::strncpy(head->name, records[i].name.c_str(), sizeof head->name - 1);
        a.FriendlyName = std::wcscpy(head->friendlyName, flags & GAA_FLAG_SKIP_FRIENDLY_NAME ? L"" : L"Ethernet");
        a.Description = std::wcscpy(head->description, L"Network adapter");
        a.DnsSuffix = head->dnsSuffix;
        std::memcpy(a.PhysicalAddress, records[i].address.data(), std::min<size_t>(records[i].address.size(), 8));
        a.PhysicalAddressLength = records[i].addressLength;
        auto* next = reinterpret_cast<Address*>(head + 1);
        auto** link = &a.FirstUnicastAddress;
        for (const ULONG each : {ULONG{AF_INET}, ULONG{AF_INET6}}) {
            if (!unicast || (family != AF_UNSPEC && family != each) || !(each == AF_INET ? records[i].ipv4 : records[i].ipv6))
                continue;
            Address& address = *next++;
            address.entry.Length = sizeof address.entry;
            address.socket.si_family = static_cast<ADDRESS_FAMILY>(each);
            address.entry.Address = {reinterpret_cast<SOCKADDR*>(&address.socket), each == AF_INET ? int{sizeof(SOCKADDR_IN)} : int{sizeof(SOCKADDR_IN6)}};
            *link = &address.entry;
            link = &address.entry.Next;
        }
    }
    return status;
}

namespace {

LSTATUS WINAPI WriteOfTheTest(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
{
    if (ProgramWindow::failingWrites > 0 && ProgramWindow::failingWrites--)
        return ERROR_ACCESS_DENIED;
    return RegSetValueExA(key, name, reserved, type, data, size);
}

// A module loaded by the program from elsewhere than the system folder (by the search flag, or
// by its path); Netshell.dll is the double beside the tests, however the program asks for it.
std::string g_loadedElsewhere;
HMODULE WINAPI LoadOfTheTest(LPCSTR name, HANDLE file, DWORD flags)
{
    if (!(flags & LOAD_LIBRARY_SEARCH_SYSTEM32) && _strnicmp(name, SystemFolder().c_str(), SystemFolder().size()) != 0)
        g_loadedElsewhere = name;
    const char* fileName = std::strrchr(name, '\\') ? std::strrchr(name, '\\') + 1 : name;
    if (_stricmp(fileName, "Netshell.dll") == 0)
        return LoadLibraryExA((OwnFolder() + "netshell_double.dll").c_str(), file, 0);
    return LoadLibraryExA(name, file, flags);
}

HRESULT WINAPI CountedCoInitialize(LPVOID reserved)
{
    const HRESULT entered = CoInitialize(reserved);
    ProgramWindow::comEntered += SUCCEEDED(entered);
    return entered;
}
void WINAPI CountedCoUninitialize()
{
    ++ProgramWindow::comLeft;
    CoUninitialize();
}

// Which window is in front the test says; a flash of a taskbar button it notes, never shows.
HWND WINAPI ForegroundOfTheTest()
{
    return ProgramWindow::foreground ? ProgramWindow::foreground : GetDesktopWindow();
}
BOOL WINAPI NotedFlash(PFLASHWINFO flash)
{
    if (flash->cbSize != sizeof *flash)  // as FlashWindowEx answers
        return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
    const bool untilInFront = flash->dwFlags == (FLASHW_TRAY | FLASHW_TIMERNOFG) && flash->uCount == 0 && flash->dwTimeout == 0;
    ProgramWindow::flashes.push_back(std::string(flash->hwnd == g_hMainWnd ? "the main window" : "another window")
        + (untilInFront ? ", its taskbar button until it is in front" : ", otherwise"));
    return TRUE;
}

WNDPROC g_statusProcedure = nullptr;
LRESULT CALLBACK StatusSpy(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT) {
        ProgramWindow::statusTexts.push_back(reinterpret_cast<const char*>(lParam));
        ProgramWindow::statusTimes.push_back(VirtualClock::now);
    }
    return CallWindowProcA(g_statusProcedure, control, message, wParam, lParam);
}

// The machine the tests run on is never touched: for the whole run, HKEY_LOCAL_MACHINE is a scratch
// key of this process's, removed at the end.
struct ScratchMachine : ::testing::Environment {
    std::string scratch = "Software\\Quillon tests\\" + std::to_string(GetCurrentProcessId());
    void SetUp() override
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, scratch.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
        ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, key), ERROR_SUCCESS) << "HKEY_LOCAL_MACHINE is not redirected";
        RegCloseKey(key);
        if ((RtlGetNtGlobalFlags() & 0x10) == 0)  // FLG_HEAP_ENABLE_TAIL_CHECK: the test command's, on Windows gflags +htc
            std::printf("The heap does not check its blocks' tails (gflags /i quillon_tests.exe +htc): a block written past its end goes unseen.\n");
    }
    void TearDown() override
    {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegDeleteTreeA(HKEY_CURRENT_USER, scratch.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, scratch.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Quillon tests");
    }
};
const auto* const kScratchMachine = ::testing::AddGlobalTestEnvironment(new ScratchMachine);

INT_PTR CALLBACK Inert(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// The platform of the tests, for the rest of the process; and what the first use of the platform
// keeps for the process (the list of adapter ids its block, the dialog manager and the loader
// their own), so that no start is blamed for it.
void InstallThePlatformOfTheTests()
{
    VirtualClock::Install();
    *ExportSlot("GetAdaptersInfo") = reinterpret_cast<void*>(AdapterTableOfTheTest);
    *ExportSlot("GetAdaptersAddresses") = reinterpret_cast<void*>(AddressTableOfTheTest);
    for (const auto& [function, replacement] : {std::pair<const char*, void*>{"RegSetValueExA", reinterpret_cast<void*>(WriteOfTheTest)},
             {"LoadLibraryExA", reinterpret_cast<void*>(LoadOfTheTest)}, {"HeapAlloc", reinterpret_cast<void*>(TrackedHeapAlloc)},
             {"HeapReAlloc", reinterpret_cast<void*>(TrackedHeapReAlloc)}, {"HeapFree", reinterpret_cast<void*>(TrackedHeapFree)},
             {"CoInitialize", reinterpret_cast<void*>(CountedCoInitialize)}, {"CoUninitialize", reinterpret_cast<void*>(CountedCoUninitialize)},
             {"GetForegroundWindow", reinterpret_cast<void*>(ForegroundOfTheTest)}, {"FlashWindowEx", reinterpret_cast<void*>(NotedFlash)}})
        PatchImport(function, replacement);
    for (int id = 0; id < 64; ++id)  // room for the longest list of a test
        DestroyWindow(CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, Inert, 0));
    for (int id = 0; id < 64; ++id)  // room for the longest list of a test
        AdapterIdList.Append("00000000-0000-0000-0000-000000000000");
    AdapterIdList.Clear();
    for (const char* module : {"iphlpapi.dll", "Netshell.dll"})
        FreeLibrary(LoadOfTheTest(module, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

}  // namespace

ProgramWindow::ProgramWindow()
{
    CoInitialize(nullptr);
    [[maybe_unused]] static const bool installed = (InstallThePlatformOfTheTests(), true);
    RemoveKey(kNetworkKeyPath);
    RemoveKey(kAdapterClassKeyPath);
    table.clear(), statusTexts.clear(), statusTimes.clear(), flashes.clear(), duringTableRead = nullptr, foreground = nullptr;
    tableReads = growthBetweenReads = tableOverruns = failingWrites = 0;
}

ProgramWindow::~ProgramWindow()
{
    EXPECT_EQ(Close(), "") << "what the last start left behind";
    fakes.reset();
    RemoveKey(kNetworkKeyPath);
    RemoveKey(kAdapterClassKeyPath);
    CoUninitialize();
}

void ProgramWindow::Watch()
{
    watching_ = true;
    handles_ = HandleCount(GetCurrentProcessId());
    blocks_ = g_programBlocks.size();
    comBalance_ = comEntered - comLeft;
}

std::string ProgramWindow::Close()
{
    if (IsWindow(window)) {
        SendMessageA(window, WM_CLOSE, 0, 0);
        MSG quit;
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    window = g_hMainWnd = nullptr;
    if (!std::exchange(watching_, false))
        return "";
    g_programBlocks.erase(nullptr);
    std::string amiss = HandleCount(GetCurrentProcessId()) > handles_ ? "a handle is left open; " : "";
    amiss += g_programBlocks.size() > blocks_ ? "a heap block is left; " : "";
    amiss += std::exchange(g_overrun, false) || !HeapValidate(GetProcessHeap(), 0, nullptr) ? "a heap block was written past its end; " : "";
    amiss += comEntered - comLeft != comBalance_ ? "COM is not left as often as it is entered; " : "";
    amiss += GetModuleHandleA("netshell_double.dll") ? "Netshell.dll is still loaded; " : "";
    amiss += std::exchange(g_loadedElsewhere, "").empty() ? "" : "a module is loaded from outside the system folder; ";
    return amiss + (fakes ? fakes->Unbalanced() : "");
}

void ProgramWindow::Start(ComScript script, bool shown)
{
    EXPECT_EQ(Close(), "") << "what the start before left behind";
    fakes.reset();  // one set of fakes at a time
    const bool buttonCreated = script.taskbarButtonCreated;
    fakes = std::make_unique<ComFakes>(std::move(script));
    Watch();
    g_hInstance = GetModuleHandleA(nullptr);
    window = g_hMainWnd = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDlgProc, 0);
    ASSERT_NE(window, nullptr);
    if (shown)
        ShowWindow(window, SW_SHOWNA), UpdateWindow(window);
    if (buttonCreated)  // as the taskbar tells a window once its button is there
        SendMessageA(window, RegisterWindowMessageA("TaskbarButtonCreated"), 0, 0);
    HWND status = GetDlgItem(window, IDC_STATUS);
    g_statusProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StatusSpy)));
}

void BringBackAdapter(const std::string& driverKey, const std::string& bracedId, const std::vector<BYTE>& factory, DWORD backAfterMs, UINT addressLength,
    bool ipv4)
{
    const std::string stored = StoredValue(DriverKey(driverKey), "NetworkAddress");
    const std::string text = stored.substr(0, stored.find('\0'));
    std::vector<BYTE> address = factory;
    if (text.size() == 12 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos) {
        for (size_t i = 0; i < 6; ++i)
            address[i] = static_cast<BYTE>(std::stoul(text.substr(2 * i, 2), nullptr, 16));
    }
    std::erase_if(ProgramWindow::table, [&](const TableRecord& record) { return record.name == bracedId; });
    ProgramWindow::table.push_back({bracedId, address, addressLength, VirtualClock::now + backAfterMs, ipv4});
}
