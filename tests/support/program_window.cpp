#include "program_window.h"

#include <objbase.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <set>
#include <utility>

#include "adapter_id_list.h"
#include "app_globals.h"
#include "main_window.h"
#include "resource.h"
#include "status_line.h"

extern "C" ULONG NTAPI RtlGetNtGlobalFlags();

namespace {

// The table's records in place now on the virtual clock; null when a table of `recordSize` bytes a
// record does not fit into *size, which then says what it needs, as the IP Helper answers. A larger
// room than the stack's must be a heap block of that size.
std::vector<TableRecord> RecordsThatFit(void* buffer, ULONG* size, size_t recordSize, bool ipv4Only, ULONG& status)
{
    if (ipv4Only && ++ProgramWindow::tableReads && ProgramWindow::duringTableRead)
        ProgramWindow::duringTableRead();
    std::vector<TableRecord> records;
    std::copy_if(ProgramWindow::table.begin(), ProgramWindow::table.end(), std::back_inserter(records),
        [ipv4Only](const TableRecord& record) { return record.from <= VirtualClock::now && (record.ipv4 || !ipv4Only); });
    const ULONG needed = static_cast<ULONG>(records.size() * recordSize);
    status = records.empty() ? ERROR_NO_DATA : *size < needed ? ERROR_BUFFER_OVERFLOW : NO_ERROR;
    if (status == ERROR_BUFFER_OVERFLOW) {
        *size = needed;
        if (ProgramWindow::growthBetweenReads > 0 && ProgramWindow::growthBetweenReads--)
            ProgramWindow::table.insert(ProgramWindow::table.begin(), TableRecord{"{grown}", {0, 0, 0, 0, 0, 0}});
    }
    const SIZE_T room = HeapSize(GetProcessHeap(), 0, buffer);
    if (status == NO_ERROR && *size > kAdapterTableStackSize && (room == static_cast<SIZE_T>(-1) || room < *size))
        ++ProgramWindow::tableOverruns;
    if (status == NO_ERROR)
        std::memset(buffer, 0, needed);
    return status == NO_ERROR ? records : std::vector<TableRecord>{};
}

}  // namespace

ULONG WINAPI AdapterTableOfTheTest(IP_ADAPTER_INFO* buffer, ULONG* size)
{
    ULONG status;
    const std::vector<TableRecord> records = RecordsThatFit(buffer, size, sizeof *buffer, true, status);
    for (size_t i = 0; i < records.size(); ++i) {
        buffer[i].Next = i + 1 < records.size() ? &buffer[i + 1] : nullptr;
        std::strncpy(buffer[i].AdapterName, records[i].name.c_str(), sizeof buffer[i].AdapterName - 1);
        std::memcpy(buffer[i].Address, records[i].address.data(), records[i].address.size());
        buffer[i].AddressLength = records[i].addressLength;
    }
    return status;
}

// Each record is followed by its name.
ULONG WINAPI AddressTableOfTheTest(ULONG, ULONG, PVOID, IP_ADAPTER_ADDRESSES* buffer, ULONG* size)
{
    struct Record {
        IP_ADAPTER_ADDRESSES addresses;
        char name[64];
    };
    ULONG status;
    const std::vector<TableRecord> records = RecordsThatFit(buffer, size, sizeof(Record), false, status);
    auto* table = reinterpret_cast<Record*>(buffer);
    for (size_t i = 0; i < records.size(); ++i) {
        table[i].addresses.Length = sizeof table[i].addresses;
        table[i].addresses.Next = i + 1 < records.size() ? &table[i + 1].addresses : nullptr;
        table[i].addresses.AdapterName = std::strncpy(table[i].name, records[i].name.c_str(), sizeof table[i].name - 1);
        std::memcpy(table[i].addresses.PhysicalAddress, records[i].address.data(), std::min<size_t>(records[i].address.size(), 8));
        table[i].addresses.PhysicalAddressLength = records[i].addressLength;
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

// The program's heap blocks not yet freed (the heap's size does not tell: Wine keeps some bytes per
// dialog), and whether one was written past its end.
std::set<void*> g_programBlocks;
bool g_overrun = false;
LPVOID WINAPI TrackedHeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes)
{
    return *g_programBlocks.insert(HeapAlloc(heap, flags, bytes)).first;
}
LPVOID WINAPI TrackedHeapReAlloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T bytes)
{
    void* grown = HeapReAlloc(heap, flags, block, bytes);
    if (grown)
        g_programBlocks.erase(block), g_programBlocks.insert(grown);
    return grown;
}
BOOL WINAPI TrackedHeapFree(HANDLE heap, DWORD flags, LPVOID block)
{
    g_overrun = g_overrun || !HeapValidate(heap, 0, block);
    g_programBlocks.erase(block);
    return HeapFree(heap, flags, block);
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
        if (!HeapTailsChecked())
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
             {"CoInitialize", reinterpret_cast<void*>(CountedCoInitialize)}, {"CoUninitialize", reinterpret_cast<void*>(CountedCoUninitialize)}})
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

bool HeapTailsChecked()
{
    return (RtlGetNtGlobalFlags() & 0x10) != 0;  // FLG_HEAP_ENABLE_TAIL_CHECK
}

ProgramWindow::ProgramWindow()
{
    CoInitialize(nullptr);
    [[maybe_unused]] static const bool installed = (InstallThePlatformOfTheTests(), true);
    RemoveKey(kNetworkKeyPath);
    RemoveKey(kAdapterClassKeyPath);
    table.clear(), statusTexts.clear(), statusTimes.clear(), duringTableRead = nullptr;
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
    fakes = std::make_unique<ComFakes>(std::move(script));
    Watch();
    g_hInstance = GetModuleHandleA(nullptr);
    window = g_hMainWnd = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDlgProc, 0);
    ASSERT_NE(window, nullptr);
    if (shown)
        ShowWindow(window, SW_SHOWNA), UpdateWindow(window);
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
