// Nothing doubled: the real Quillon.exe under Wine's own Network List Manager and adapter
// table, inside a network namespace whose veth adapters have addresses the test set
// (run-with-veths.sh). Connection names are seeded for the adapter ids that Wine reports.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <netlistmgr.h>
#include <wrl/client.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "quillon_process.h"
#include "registry_scratch.h"
#include "resource.h"
#include "window_probe.h"

namespace {

using Microsoft::WRL::ComPtr;

struct Veth {
    std::string interfaceName;   // the Linux interface, which Wine reports as the description
    std::string macShown;        // as the current-address box shows it
    std::string adapterName;     // Wine's braced adapter id
    std::string connectionName;  // seeded in the registry
};

// QUILLON_VETHS="qa0=02:11:22:33:44:55 qa1=..." as veth-namespace.sh sets it.
std::vector<Veth> VethsOfTheNamespace()
{
    std::vector<Veth> veths;
    const char* list = std::getenv("QUILLON_VETHS");
    std::istringstream words(list ? list : "");
    for (std::string word; words >> word;) {
        Veth veth;
        veth.interfaceName = word.substr(0, word.find('='));
        veth.macShown = word.substr(word.find('=') + 1);
        for (char& c : veth.macShown)
            c = c == ':' ? '-' : static_cast<char>(toupper(c));
        veths.push_back(veth);
    }
    return veths;
}

bool FindAdapterNames(std::vector<Veth>& veths)
{
    std::vector<BYTE> table(64 * sizeof(IP_ADAPTER_INFO));
    ULONG size = static_cast<ULONG>(table.size());
    if (GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(table.data()), &size) != NO_ERROR)
        return false;
    for (Veth& veth : veths) {
        for (auto* adapter = reinterpret_cast<IP_ADAPTER_INFO*>(table.data()); adapter; adapter = adapter->Next) {
            if (veth.interfaceName == adapter->Description)
                veth.adapterName = adapter->AdapterName;
        }
        if (veth.adapterName.empty())
            return false;
    }
    return true;
}

// How many connected networks Wine's Network List Manager reports.
int ConnectedNetworks()
{
    CoInitialize(nullptr);
    int count = 0;
    {
        ComPtr<INetworkListManager> manager;
        ComPtr<IEnumNetworks> networks;
        if (SUCCEEDED(CoCreateInstance(CLSID_NetworkListManager, nullptr, CLSCTX_ALL, IID_INetworkListManager,
                reinterpret_cast<void**>(manager.GetAddressOf())))
            && SUCCEEDED(manager->GetNetworks(NLM_ENUM_NETWORK_CONNECTED, networks.GetAddressOf()))) {
            for (ComPtr<INetwork> network; networks->Next(1, network.ReleaseAndGetAddressOf(), nullptr) == S_OK && network;)
                ++count;
        }
    }
    CoUninitialize();
    return count;
}

std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

TEST(RealAdapters, QuillonListsTheSeededNamesAndShowsEachVethsRealAddress)
{
    std::vector<Veth> veths = VethsOfTheNamespace();
    ASSERT_EQ(veths.size(), 2u) << "run this through run-with-veths.sh";
    ASSERT_TRUE(FindAdapterNames(veths)) << "Wine does not report the veth interfaces";
    veths[0].connectionName = "Ethernet";
    veths[1].connectionName = "Ethernet 2";

    RegistryScratch network("SYSTEM\\CurrentControlSet\\Control\\Network");
    for (const Veth& veth : veths) {
        ASSERT_TRUE(network.SetString("{4D36E972-E325-11CE-BFC1-08002BE10318}\\" + veth.adapterName + "\\Connection", "Name",
            veth.connectionName));
    }
    const int networks = ConnectedNetworks();
    ASSERT_GT(networks, 0);

    QuillonProcess quillon;
    HWND window = quillon.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_CONNECTION);

    // Every connected network lists every adapter in Wine, so the names come once per network.
    std::vector<std::wstring> expected;
    for (int i = 0; i < networks; ++i) {
        for (const Veth& veth : veths)
            expected.push_back(Wide(veth.connectionName));
    }
    EXPECT_EQ(ComboItems(list), expected);
    EXPECT_EQ(ComboSelection(list), 0);
    EXPECT_EQ(ControlText(window, IDC_CURRENT_MAC), veths[0].macShown);

    SendMessageW(list, CB_SETCURSEL, 1, 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_CONNECTION, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(ControlText(window, IDC_CURRENT_MAC), veths[1].macShown);

    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD exitCode = 1;
    ASSERT_TRUE(quillon.WaitForExit(10000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

}  // namespace
