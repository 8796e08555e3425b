#include "program_window.h"

#include <objbase.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

#include "app_globals.h"
#include "main_window.h"
#include "status_line.h"
#include "network_address.h"
#include "resource.h"

// As GetAdaptersInfo answers: ERROR_BUFFER_OVERFLOW with the size the table needs, which may
// have grown by the next read. A larger room than the stack's must be a heap block of that size.
ULONG WINAPI AdapterTableOfTheTest(IP_ADAPTER_INFO* buffer, ULONG* size)
{
    ++ProgramWindow::tableReads;
    if (ProgramWindow::duringTableRead)
        ProgramWindow::duringTableRead();
    std::vector<TableRecord> records;
    std::copy_if(ProgramWindow::table.begin(), ProgramWindow::table.end(), std::back_inserter(records),
        [](const TableRecord& record) { return record.from <= VirtualClock::now; });
    if (records.empty())
        return ERROR_NO_DATA;
    const ULONG needed = static_cast<ULONG>(records.size() * sizeof(IP_ADAPTER_INFO));
    if (*size < needed) {
        *size = needed;
        if (ProgramWindow::growthBetweenReads > 0 && ProgramWindow::growthBetweenReads--)
            ProgramWindow::table.insert(ProgramWindow::table.begin(), TableRecord{"{grown}", {0, 0, 0, 0, 0, 0}});
        return ERROR_BUFFER_OVERFLOW;
    }
    const SIZE_T room = HeapSize(GetProcessHeap(), 0, buffer);
    if (*size > 11264 && (room == static_cast<SIZE_T>(-1) || room < *size))
        ++ProgramWindow::tableOverruns;
    std::memset(buffer, 0, records.size() * sizeof(IP_ADAPTER_INFO));
    for (size_t i = 0; i < records.size(); ++i) {
        buffer[i].Next = i + 1 < records.size() ? &buffer[i + 1] : nullptr;
        std::strncpy(buffer[i].AdapterName, records[i].name.c_str(), sizeof buffer[i].AdapterName - 1);
        std::memcpy(buffer[i].Address, records[i].address.data(), records[i].address.size());
        buffer[i].AddressLength = records[i].addressLength;
    }
    return NO_ERROR;
}

namespace {

LSTATUS WINAPI WriteOfTheTest(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
{
    if (ProgramWindow::failingWrites > 0 && ProgramWindow::failingWrites--)
        return ERROR_ACCESS_DENIED;
    return RegSetValueExA(key, name, reserved, type, data, size);
}

WNDPROC g_statusProcedure = nullptr;

LRESULT CALLBACK StatusSpy(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT)
        ProgramWindow::statusTexts.push_back(reinterpret_cast<const char*>(lParam));
    return CallWindowProcA(g_statusProcedure, control, message, wParam, lParam);
}

// The Netshell.dll double in the system folder, from where the program loads it, while the tests run.
struct NetshellDoubleInstalled : ::testing::Environment {
    void SetUp() override
    {
        ASSERT_TRUE(CopyFileA((OwnFolder() + "netshell_double.dll").c_str(), (SystemFolder() + "netshell.dll").c_str(), FALSE))
            << "could not put the Netshell.dll double into " << SystemFolder();
    }
    void TearDown() override { DeleteFileA((SystemFolder() + "netshell.dll").c_str()); }
};
const auto* const kNetshellDouble = ::testing::AddGlobalTestEnvironment(new NetshellDoubleInstalled);

}  // namespace

std::string SystemFolder()
{
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\";
}

ProgramWindow::ProgramWindow()
{
    VirtualClock::Install();
    CoInitialize(nullptr);
    RemoveKey(kNetworkKeyPath);
    RemoveKey(kAdapterClassKeyPath);
    table.clear(), statusTexts.clear(), duringTableRead = nullptr;
    tableReads = growthBetweenReads = tableOverruns = failingWrites = 0;
    systemTable_ = std::exchange(g_getAdaptersInfo, AdapterTableOfTheTest);
    g_regSetValueExA = WriteOfTheTest;
}

ProgramWindow::~ProgramWindow()
{
    Close();
    fakes.reset();
    g_getAdaptersInfo = systemTable_;
    g_regSetValueExA = RegSetValueExA;
    RemoveKey(kNetworkKeyPath);
    RemoveKey(kAdapterClassKeyPath);
    CoUninitialize();
}

void ProgramWindow::Close()
{
    if (!IsWindow(window))
        return;
    SendMessageA(window, WM_CLOSE, 0, 0);
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    window = g_hMainWnd = nullptr;
}

void ProgramWindow::Start(ComScript script)
{
    Close();
    fakes.reset();  // one set of fakes at a time
    fakes = std::make_unique<ComFakes>(std::move(script));
    g_hInstance = GetModuleHandleA(nullptr);
    window = g_hMainWnd = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDlgProc, 0);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWNA);
    UpdateWindow(window);
    HWND status = GetDlgItem(window, IDC_STATUS);
    g_statusProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StatusSpy)));
}

void RestartDriver(const std::string& driverKey, const std::string& bracedId, const std::vector<BYTE>& factory, DWORD backAfterMs, UINT addressLength)
{
    const std::string stored = StoredValue(DriverKey(driverKey), "NetworkAddress");
    const std::string text = stored.substr(0, stored.find('\0'));
    std::vector<BYTE> address = factory;
    if (text.size() == 12 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos) {
        for (size_t i = 0; i < 6; ++i)
            address[i] = static_cast<BYTE>(std::stoul(text.substr(2 * i, 2), nullptr, 16));
    }
    std::erase_if(ProgramWindow::table, [&](const TableRecord& record) { return record.name == bracedId; });
    ProgramWindow::table.push_back({bracedId, address, addressLength, VirtualClock::now + backAfterMs});
}
