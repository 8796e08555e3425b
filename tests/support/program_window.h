// The program's own main window in this process, from the real template, its list filled from
// the COM fakes; the adapter table, the registry writes, Netshell.dll and the clock the test's.
// Nothing of the machine is touched: HKEY_LOCAL_MACHINE is a scratch key of the test's own, and
// every start ends with what the program left behind.
#pragma once

#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "com_fakes.h"
#include "import_table.h"
#include "quillon_remote.h"

struct TableRecord {
    std::string name;  // AdapterName, the braced adapter id
    std::vector<BYTE> address;
    UINT addressLength = 6;
    DWORD from = 0;  // in the tables from this time of the program's virtual clock on
    bool ipv4 = true;  // else in GetAdaptersAddresses' table only
    bool ipv6 = true;
};

class ProgramWindow : public ::testing::Test {
protected:
    ProgramWindow();
    ~ProgramWindow() override;

    // From now on, what the program acquires must be released by the close.
    void Watch();
    // Its WM_INITDIALOG fills the list and shows the first address; then it is shown without
    // activation, as WinMain shows it, unless `shown` is false.
    void Start(ComScript script = {}, bool shown = true);
    // Closes the window as the program does (WM_CLOSE leaves COM and destroys it) and says what
    // is left behind since Watch: a handle, a heap block of the program, a block written past its
    // end, COM entered more often than left, Netshell.dll loaded, a fake not released, a module
    // loaded from elsewhere than the system folder. Empty when nothing is.
    std::string Close();
    std::string Text(int id) const { return ControlText(window, id); }

    HWND window = nullptr;
    std::unique_ptr<ComFakes> fakes;

private:
    bool watching_ = false;
    size_t handles_ = 0, blocks_ = 0;
    int comBalance_ = 0;

public:
    // The adapter tables' records; GetAdaptersInfo's reads; how many "does not fit" answers they
    // grow after; reads into less room than was said; what runs at each read of GetAdaptersInfo.
    static inline std::vector<TableRecord> table;
    static inline int tableReads = 0;
    static inline int growthBetweenReads = 0;
    static inline int tableOverruns = 0;
    static inline std::function<void()> duringTableRead;
    // Every text the status line was given, and when on the virtual clock.
    static inline std::vector<std::string> statusTexts;
    static inline std::vector<DWORD> statusTimes;
    static inline int failingWrites = 0;  // writes of NetworkAddress that fail before they succeed again
    // The window in front, as GetForegroundWindow answers (null: another one); each FlashWindowEx.
    static inline HWND foreground = nullptr;
    static inline std::vector<std::string> flashes;
    // The program's own CoInitialize calls that succeeded, and its CoUninitialize calls.
    static inline int comEntered = 0, comLeft = 0;
};

// GetAdaptersInfo and GetAdaptersAddresses as they answer with ProgramWindow::table.
ULONG WINAPI AdapterTableOfTheTest(IP_ADAPTER_INFO* buffer, ULONG* size);
ULONG WINAPI AddressTableOfTheTest(ULONG family, ULONG flags, PVOID reserved, IP_ADAPTER_ADDRESSES* buffer, ULONG* size);

// An adapter back from its restart: the tables show it with its key's NetworkAddress when that is
// 12 hex digits, else `factory`, from `backAfterMs` after now on the virtual clock, with that
// address length; GetAdaptersInfo's too when it has IPv4.
void BringBackAdapter(const std::string& driverKey, const std::string& bracedId, const std::vector<BYTE>& factory, DWORD backAfterMs = 0,
    UINT addressLength = 6, bool ipv4 = true);

// Adapter GUIDs whose ids test the format (leading zeros in every group, letters), and their ids.
inline const GUID kAdapterA = {0x0000000A, 0x0708, 0x000F, {0x09, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xAB}};
inline const char kIdA[] = "0000000A-0708-000F-0901-0000000000AB";
inline const GUID kAdapterB = {0xABCDEF01, 0xBCDE, 0xCDEF, {0xDE, 0xF0, 0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45}};
inline const char kIdB[] = "ABCDEF01-BCDE-CDEF-DEF0-ABCDEF012345";
inline const GUID kAdapterC = {0x12345678, 0x9ABC, 0xDEF0, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0}};
inline const char kIdC[] = "12345678-9ABC-DEF0-1234-56789ABCDEF0";
inline std::string Braced(const char* id) { return std::string("{") + id + "}"; }
inline std::string Lowered(std::string text)
{
    CharLowerA(text.data());
    return text;
}
