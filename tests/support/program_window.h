// The program's own main window in this process, from the real template, its list filled from
// the COM fakes; the adapter table, the registry writes and the clock the test's. The registry
// keys that the program reads start empty; Netshell.dll is the double.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "com_fakes.h"
#include "current_mac.h"
#include "import_table.h"
#include "quillon_driver.h"

struct TableRecord {
    std::string name;  // AdapterName, the braced adapter id
    std::vector<BYTE> address;
    UINT addressLength = 6;
    DWORD from = 0;  // in the table from this time of the program's virtual clock on
};

class ProgramWindow : public ::testing::Test {
protected:
    ProgramWindow();
    ~ProgramWindow() override;

    void Start(ComScript script = {});  // its WM_INITDIALOG fills the list and shows the first address
    void Close();                       // as the program does: WM_CLOSE uninitialises COM, destroys it
    std::string Text(int id) const { return ControlText(window, id); }
    // The program reaches the table as on Windows, looking GetAdaptersInfo up in the IP Helper,
    // where the test must hand it AdapterTableOfTheTest.
    void ReachTheTableThroughTheSystemsModule() { g_getAdaptersInfo = systemTable_; }

    HWND window = nullptr;
    std::unique_ptr<ComFakes> fakes;

private:
    ULONG(WINAPI* systemTable_)(IP_ADAPTER_INFO*, ULONG*) = nullptr;

public:
    // The adapter table's records; its reads; how many "does not fit" answers it grows after;
    // reads into less room than was said; what runs at each read.
    static inline std::vector<TableRecord> table;
    static inline int tableReads = 0;
    static inline int growthBetweenReads = 0;
    static inline int tableOverruns = 0;
    static inline std::function<void()> duringTableRead;
    static inline std::vector<std::string> statusTexts;  // every text the status line was given
    static inline int failingWrites = 0;  // writes of NetworkAddress that fail before they succeed again
};

// GetAdaptersInfo as it answers with ProgramWindow::table.
ULONG WINAPI AdapterTableOfTheTest(IP_ADAPTER_INFO* buffer, ULONG* size);

// A driver's restart: the table shows the adapter with its key's NetworkAddress when that is 12 hex
// digits, else `factory`, from `backAfterMs` after now on the virtual clock, with that address length.
void RestartDriver(const std::string& driverKey, const std::string& bracedId, const std::vector<BYTE>& factory, DWORD backAfterMs = 0,
    UINT addressLength = 6);

std::string SystemFolder();  // with its trailing backslash

// An adapter's connection entry under a subkey of the Network key (Windows': kAdapterClassName).
inline std::string ConnectionKey(const std::string& subkey, const std::string& adapterId)
{
    return std::string(kNetworkKeyPath) + "\\" + subkey + "\\{" + adapterId + "}\\Connection";
}

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
