// The program's own main window in this process: made from the real template with MainDlgProc
// and shown, its list filled from the COM fakes, its adapter table and registry writes the
// test's, its time the virtual clock's. The registry keys that the program reads start empty;
// Netshell.dll is the double.
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

    // Creates the window; its WM_INITDIALOG fills the list and shows the first address.
    void Start(ComScript script = {});
    // Closes it as the program does: WM_CLOSE uninitialises COM and destroys the window.
    void Close();
    std::string Text(int id) const { return ControlText(window, id); }

    HWND window = nullptr;
    std::unique_ptr<ComFakes> fakes;

private:
    ULONG(WINAPI* systemTable_)(IP_ADAPTER_INFO*, ULONG*) = nullptr;

public:
    // What the adapter table holds at each read, and how often it was read; for how many of the
    // answers that it does not fit it gains a record (at its front) after the answer; reads into a
    // room smaller than the size given with it; what runs at each read, before the answer.
    static inline std::vector<TableRecord> table;
    static inline int tableReads = 0;
    static inline int growthBetweenReads = 0;
    static inline int tableOverruns = 0;
    static inline std::function<void()> duringTableRead;
    // Every text that the status line was given.
    static inline std::vector<std::string> statusTexts;
    // The registry writes of NetworkAddress that fail before they succeed again.
    static inline int failingWrites = 0;
};

// What an adapter's driver does when its connection restarts: the adapter table then shows, for
// the adapter, the NetworkAddress of its driver key when that is 12 hexadecimal digits, else
// `factory`; `backAfterMs` after now on the virtual clock, with that address length.
void RestartDriver(const std::string& driverKey, const std::string& bracedId, const std::vector<BYTE>& factory, DWORD backAfterMs = 0,
    UINT addressLength = 6);

// The system folder, with its trailing backslash.
std::string SystemFolder();

// Replaces the system folder's Netshell.dll, or takes it away (null), while it lives.
class SystemNetshell {
public:
    explicit SystemNetshell(const char* replacementFile);
    ~SystemNetshell();

private:
    std::string path_;
};

// The connection entry of an adapter (its id without braces) under one subkey of the Network
// key; Windows keeps them under the one named as the adapters' class, kAdapterClassName.
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
