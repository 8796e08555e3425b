// The real Quillon.exe on the machine it runs on, worked as a user works it and read as a user reads
// it, against what the machine says by another road than the program's. It changes nothing: it never
// presses "Change MAC". Safe on a user's machine and on a hosted Windows runner; in the lab
// (tools/wine-lab.sh) the same checks run on the lab's adapters.
//
//   quillon_check.exe [QUILLON_EXE]     (by default ..\Quillon.exe; exit code: the failed checks)
//
// The machine's road: the interface table of the IP Helper (GetIfTable2), whose rows carry each
// interface's GUID, alias (on Windows the connection's name), hardware address and states, read
// straight from the network stack. Quillon takes its list from the Network List Manager's connected
// networks and the registry's connection names, and its addresses from the adapter tables of
// GetAdaptersInfo (IPv4 adapters) and GetAdaptersAddresses: none of these is used here. In the lab,
// where Wine's alias is the Linux interface's name, the connection's name comes from the lab's record
// of what it set up.
#include <winsock2.h>
#include <windows.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>
#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "lab_files.h"
#include "quillon_remote.h"
#include "todo_wine.h"

namespace {

int g_failed = 0;

void Check(bool passed, const std::string& what)
{
    std::printf("%s: %s\n", passed ? "ok" : "FAILED", what.c_str());
    g_failed += passed ? 0 : 1;
}

struct Interface {
    std::string name;     // the connection's name, as the program's list shows it
    std::string address;  // as the current-address box shows it; empty without one of six bytes
    bool upAndConnected;  // an adapter (hardware, not a tunnel or a switch's virtual port), up, its medium connected
};

std::string Narrow(const wchar_t* wide, UINT codePage)
{
    char text[1024] = {};
    WideCharToMultiByte(codePage, 0, wide, -1, text, sizeof text - 1, nullptr, nullptr);
    return text;
}

// The machine's interfaces but loopback and filters, by their braced GUID.
std::map<std::string, Interface> MachineInterfaces()
{
    std::map<std::string, std::string> labNames;  // braced id: connection name
    const char* record = std::getenv("QUILLON_LAB_RECORD");
    for (const LabRecord& adapter : ReadLabRecord(record ? WindowsPathOfLinuxPath(record) : ""))
        labNames[adapter.adapterId] = AsListed(adapter.connectionName);
    std::map<std::string, Interface> interfaces;
    MIB_IF_TABLE2* table = nullptr;
    if (GetIfTable2(&table) != NO_ERROR)
        return interfaces;
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        const MIB_IF_ROW2& row = table->Table[i];
        if (row.Type == IF_TYPE_SOFTWARE_LOOPBACK || row.InterfaceAndOperStatusFlags.FilterInterface)
            continue;
        wchar_t guid[40] = {};
        StringFromGUID2(row.InterfaceGuid, guid, 40);
        const std::string id = Narrow(guid, CP_ACP), alias = AsListed(Narrow(row.Alias, CP_UTF8));
        char address[32] = {};
        const BYTE* a = row.PhysicalAddress;
        if (row.PhysicalAddressLength == 6)
            std::snprintf(address, sizeof address, "%02X-%02X-%02X-%02X-%02X-%02X", a[0], a[1], a[2], a[3], a[4], a[5]);
        const bool inLab = labNames.count(id) != 0;
        if (inLab)
            Check(TodoWine(alias == labNames[id], ("the alias of " + id + " is its connection's name").c_str()), "the alias of " + id + " in the lab");
        interfaces[id] = {inLab ? labNames[id] : alias, address, row.InterfaceAndOperStatusFlags.HardwareInterface && row.OperStatus == IfOperStatusUp
            && row.MediaConnectState == MediaConnectStateConnected};
    }
    FreeMibTable(table);
    return interfaces;
}

// The name a screen reader gives a control, through the platform's accessibility layer.
std::string AccessibleName(HWND control)
{
    // IID_IAccessible, which MinGW's import library of oleacc gives wrong.
    const IID accessibleInterface = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    IAccessible* accessible = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), accessibleInterface, reinterpret_cast<void**>(&accessible)))
        || !accessible)
        return "<no accessible object>";
    VARIANT self = {};
    V_VT(&self) = VT_I4, V_I4(&self) = CHILDID_SELF;
    BSTR name = nullptr;
    std::string text = SUCCEEDED(accessible->get_accName(self, &name)) && name ? Narrow(name, CP_ACP) : "<no name>";
    SysFreeString(name);
    accessible->Release();
    return text;
}

}  // namespace

int main(int argc, char** argv)
{
    CoInitialize(nullptr);
    Program quillon(SW_SHOWNORMAL, argc > 1 ? argv[1] : OwnFolder() + "..\\Quillon.exe");
    HWND window = quillon.Window("Quillon");
    Check(window != nullptr, "the window \"Quillon\" appears");
    if (!window)
        return 1;
    // Its controls (each named below as a screen reader names it); in front, the focus on "Close", and
    // Tab and Shift+Tab, typed, visiting them in the template's order and back.
    int children = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ++children;
    Check(children == 13, "its 13 controls: " + std::to_string(children));
    SetForegroundWindow(window);
    Check(WaitUntil([&] { return GetForegroundWindow() == window; }, 5000), "the window comes in front");
    Check(WaitUntil([&] { return Focused(window) == GetDlgItem(window, 2); }, 5000), "the focus starts on \"Close\"");
    for (const bool shift : {false, true}) {
        std::string visited = std::to_string(GetDlgCtrlID(Focused(window)));
        for (int step = 0; step < 8; ++step) {
            HWND before = Focused(window);
            PressWithTheKeyboard(VK_TAB, shift);
            WaitUntil([&] { return Focused(window) != before; }, 3000);
            visited += " " + std::to_string(GetDlgCtrlID(Focused(window)));
        }
        Check(visited == (shift ? "2 1007 1006 1004 1003 1002 1001 1000 2" : "2 1000 1001 1002 1003 1004 1006 1007 2"),
            std::string(shift ? "Shift+Tab" : "Tab") + " visits " + visited);
    }

    // Every connection of an adapter that the machine has up and connected is listed; each item is an
    // interface of the machine, and shows its address, again after Refresh.
    const std::map<std::string, Interface> machine = MachineInterfaces();
    const std::vector<std::string> items = Items(window);
    for (const auto& [id, adapter] : machine) {
        if (adapter.upAndConnected)
            Check(std::find(items.begin(), items.end(), adapter.name) != items.end(), "\"" + adapter.name + "\" " + id + ", up and connected, is listed");
    }
    for (size_t item = 0; item < items.size(); ++item) {
        const auto known = std::find_if(machine.begin(), machine.end(), [&](const auto& entry) { return entry.second.name == items[item]; });
        Select(window, static_cast<int>(item));
        const std::string shown = ControlText(window, 1001);
        Click(window, 1006);
        Check(known != machine.end() && shown == known->second.address && ControlText(window, 1001) == shown,
            "item " + std::to_string(item) + " \"" + items[item] + "\" shows \"" + shown + "\", the machine's \""
                + (known != machine.end() ? known->second.address : "<no such interface>") + "\", and again after Refresh");
    }

    // Generate, and "Use Factory Default" greying the new-address box out and back in.
    Click(window, 1003);
    const std::string generated = ControlText(window, 1002);
    Check(generated.size() == 12 && generated.rfind("00", 0) == 0 && generated.find_first_not_of("0123456789ABCDEF") == std::string::npos,
        "Generate gives an address: \"" + generated + "\"");
    Click(window, 1007);
    const bool greyed = !IsWindowEnabled(GetDlgItem(window, 1002));
    Click(window, 1007);
    Check(greyed && IsWindowEnabled(GetDlgItem(window, 1002)) && ControlText(window, 1002) == generated,
        "\"Use Factory Default\" greys the new-address box out and back in, keeping its text");

    // A screen reader's names: each field by its label, each button by its caption.
    const std::pair<int, const char*> names[] = {{1000, "Network Connection:"}, {1001, "Current MAC Address:"}, {1002, "New MAC Address:"},
        {2, "Close"}, {1003, "Generate"}, {1004, "Change MAC"}, {1006, "Refresh"}, {1007, "Use Factory Default"}};
    for (const auto& [id, name] : names) {
        const std::string heard = GetDlgItem(window, id) ? AccessibleName(GetDlgItem(window, id)) : "<no control>";
        const std::string what = "a screen reader names control " + std::to_string(id) + " \"" + heard + "\"";
        Check(id == 1000 ? TodoWine(heard == name, (what + ", by its label").c_str()) : heard == name, what);
    }

    // The About box from the system menu's last item, and back.
    HMENU menu = GetSystemMenu(window, FALSE);
    char item[64] = {};
    GetMenuStringA(menu, GetMenuItemCount(menu) - 1, item, sizeof item, MF_BYPOSITION);
    const bool read = std::string(item) == "About Quillon...";
    Check(TodoWine(read, "another process's system menu is read"), "the system menu ends with \"" + std::string(item) + "\"");
    PostMessageA(window, WM_SYSCOMMAND, read ? GetMenuItemID(menu, GetMenuItemCount(menu) - 1) : 16, 0);
    HWND about = quillon.Window("About Quillon");
    Check(about && GetWindow(about, GW_OWNER) == window && !IsWindowEnabled(window), "the About box opens, modal");
    PostMessageA(GetDlgItem(about, 1), BM_CLICK, 0, 0);
    Check(WaitUntil([&] { return !IsWindow(about) && IsWindowEnabled(window); }), "OK closes it, and the window works again");

    // Escape, pressed where the focus is, ends the program with 0.
    PressKey(Focused(window), VK_ESCAPE);
    Check(quillon.ExitCode() == 0, "Escape ends the program with exit code 0");
    CoUninitialize();
    std::printf("%d of the checks failed.\n", g_failed);
    return g_failed;
}
