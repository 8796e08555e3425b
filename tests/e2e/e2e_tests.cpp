// The whole road on real adapters: the real Quillon.exe in the lab (tools/wine-lab.sh), worked
// only through its window as a user works it, and checked from outside: the registry, and
// `ip link` on the Linux interfaces behind the adapters.
#include <gtest/gtest.h>

#include <windows.h>
#include <netlistmgr.h>
#include <wrl/client.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "linux_command.h"
#include "quillon_process.h"
#include "quillon_window.h"
#include "resource.h"
#include "test_adapters.h"
#include "window_probe.h"

namespace {

using Microsoft::WRL::ComPtr;

struct LabAdapter {
    std::string interfaceName;
    std::string recordedAddress;  // "02:11:22:33:44:55"
    std::string adapterId;        // braced
    std::wstring connectionName;
};

std::wstring FromUtf8(const std::string& text)
{
    wchar_t wide[256] = {};
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide, 255);
    return wide;
}

// The lab's record: interface, address, adapter id and connection name, tab-separated.
std::vector<LabAdapter> LabAdapters()
{
    std::vector<LabAdapter> adapters;
    const char* record = std::getenv("QUILLON_LAB_RECORD");
    std::string path = std::string("Z:") + (record ? record : "");
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        std::istringstream fields(line);
        LabAdapter adapter;
        std::string name;
        std::getline(fields, adapter.interfaceName, '\t');
        std::getline(fields, adapter.recordedAddress, '\t');
        std::getline(fields, adapter.adapterId, '\t');
        std::getline(fields, name);
        adapter.connectionName = FromUtf8(name);
        adapters.push_back(adapter);
    }
    return adapters;
}

// "02:aa:bb:cc:dd:ee" or "02AABBCCDDEE" as the current-address box shows it: "02-AA-BB-CC-DD-EE".
std::string AsShown(const std::string& address)
{
    std::string digits;
    for (char c : address) {
        if (isxdigit(static_cast<unsigned char>(c)))
            digits += static_cast<char>(toupper(static_cast<unsigned char>(c)));
    }
    std::string shown;
    for (size_t i = 0; i < digits.size(); i += 2)
        shown += (i ? "-" : "") + digits.substr(i, 2);
    return shown;
}

// The interface's address and state as `ip -br link` reports them, "02-AA-..-EE UP".
std::string LinkState(const std::string& interfaceName)
{
    std::string output;
    if (RunLinuxCommand("ip -br link show dev " + interfaceName, &output) != 0)
        return "<ip failed>";
    std::istringstream fields(output);
    std::string name, state, address;
    fields >> name >> state >> address;
    return AsShown(address) + " " + state;
}

// The NetworkAddress of the adapter's driver key as stored; "<none>" when absent.
std::string StoredAddress(const std::string& adapterId)
{
    HKEY classKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAdapterClassKeyPath, 0, KEY_READ, &classKey) != ERROR_SUCCESS)
        return "<no class key>";
    std::string stored = "<none>";
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(classKey, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
        char id[256] = {};
        DWORD size = sizeof id - 1;
        if (RegGetValueA(classKey, name, "NetCfgInstanceId", RRF_RT_REG_SZ, nullptr, id, &size) != ERROR_SUCCESS || adapterId != id)
            continue;
        char value[64] = {};
        size = sizeof value - 1;
        if (RegGetValueA(classKey, name, "NetworkAddress", RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS)
            stored = value;
    }
    RegCloseKey(classKey);
    return stored;
}

int ConnectedNetworks()
{
    int count = 0;
    CoInitialize(nullptr);
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

class Lab : public ::testing::Test {
protected:
    void SetUp() override
    {
        adapters_ = LabAdapters();
        ASSERT_EQ(adapters_.size(), 3u) << "run this inside tools/wine-lab.sh";
        quillon_ = std::make_unique<QuillonProcess>();
        window_ = quillon_->WaitForMainWindow();
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override
    {
        if (!window_)
            return;
        ClickButton(GetDlgItem(window_, IDCANCEL));
        DWORD exitCode = 1;
        ASSERT_TRUE(quillon_->WaitForExit(10000, &exitCode)) << "Close did not end the program";
        EXPECT_EQ(exitCode, 0u);
    }

    HWND Control(int id) const { return GetDlgItem(window_, id); }
    std::string Text(int id) const { return ControlText(window_, id); }
    void SelectConnection(int index) { ASSERT_TRUE(QuillonWindow(window_).SelectConnection(index)); }
    void TypeNewAddress(const std::string& text) { ASSERT_TRUE(QuillonWindow(window_).TypeNewAddress(text)) << Text(IDC_NEW_MAC); }
    void Press(int id) { ASSERT_TRUE(QuillonWindow(window_).Click(id)) << "no answer"; }

    std::vector<LabAdapter> adapters_;
    std::unique_ptr<QuillonProcess> quillon_;
    HWND window_ = nullptr;
};

TEST_F(Lab, ListsTheSeededNamesInNetworkListOrderAndShowsEachRealAddress)
{
    // Wine's Network List Manager lists every adapter under every connected network.
    std::vector<std::wstring> expected;
    for (int network = ConnectedNetworks(); network > 0; --network) {
        for (const LabAdapter& adapter : adapters_)
            expected.push_back(adapter.connectionName);
    }
    EXPECT_EQ(ComboItems(Control(IDC_CONNECTION)), expected);
    EXPECT_EQ(Text(IDC_CURRENT_MAC) + " UP", LinkState(adapters_[0].interfaceName));

    for (int index : {1, 2, 0}) {
        SCOPED_TRACE(index);
        SelectConnection(index);
        EXPECT_EQ(Text(IDC_CURRENT_MAC) + " UP", LinkState(adapters_[index].interfaceName)) << "shown at once, without Refresh";
    }
}

TEST_F(Lab, ATypedAddressIsWrittenAsTypedAndTheInterfaceCarriesIt)
{
    const struct {
        int index;
        const char* typed;
    } changes[] = {{0, "02AABBCCDD01"}, {2, "02aabbccdd02"}};
    for (const auto& change : changes) {
        SCOPED_TRACE(change.typed);
        SelectConnection(change.index);
        TypeNewAddress(change.typed);
        Press(IDC_CHANGE_MAC);

        EXPECT_EQ(Text(IDC_STATUS), "Done");
        EXPECT_EQ(StoredAddress(adapters_[change.index].adapterId), change.typed);
        EXPECT_EQ(LinkState(adapters_[change.index].interfaceName), AsShown(change.typed) + " UP");
        EXPECT_EQ(Text(IDC_CURRENT_MAC), AsShown(change.typed));
    }
}

TEST_F(Lab, FactoryDefaultWritesAnEmptyValueAndTheRecordedAddressReturns)
{
    const LabAdapter& adapter = adapters_[0];
    TypeNewAddress("02AABBCCDD03");
    Press(IDC_CHANGE_MAC);
    ASSERT_EQ(LinkState(adapter.interfaceName), "02-AA-BB-CC-DD-03 UP");

    Press(IDC_FACTORY_DEFAULT);
    ASSERT_FALSE(IsWindowEnabled(Control(IDC_NEW_MAC)));
    Press(IDC_CHANGE_MAC);

    EXPECT_EQ(Text(IDC_STATUS), "Done");
    EXPECT_EQ(StoredAddress(adapter.adapterId), "");
    EXPECT_EQ(LinkState(adapter.interfaceName), AsShown(adapter.recordedAddress) + " UP");
    EXPECT_EQ(Text(IDC_CURRENT_MAC), AsShown(adapter.recordedAddress));
}

TEST_F(Lab, TheShownFormIsReplacedByAGeneratedAddressThatEndsUpOnTheInterface)
{
    const LabAdapter& adapter = adapters_[2];
    SelectConnection(2);
    const std::string shownForm = Text(IDC_CURRENT_MAC);
    TypeNewAddress(shownForm);
    Press(IDC_CHANGE_MAC);

    const std::string generated = Text(IDC_NEW_MAC);
    EXPECT_NE(generated, shownForm);
    ASSERT_EQ(generated.size(), 12u);
    EXPECT_EQ(generated.substr(0, 2), "00");
    EXPECT_EQ(Text(IDC_STATUS), "Done");
    EXPECT_EQ(StoredAddress(adapter.adapterId), generated);
    EXPECT_EQ(LinkState(adapter.interfaceName), AsShown(generated) + " UP");
    EXPECT_EQ(Text(IDC_CURRENT_MAC), AsShown(generated));
}

TEST_F(Lab, TheConnectionWithAnAccentedNameIsRestartedAndChanged)
{
    const LabAdapter& adapter = adapters_[1];
    ASSERT_EQ(adapter.connectionName, L"R\u00E9seau local");
    SelectConnection(1);
    TypeNewAddress("02AABBCCDD04");
    Press(IDC_CHANGE_MAC);

    EXPECT_EQ(Text(IDC_STATUS), "Done");
    EXPECT_EQ(LinkState(adapter.interfaceName), "02-AA-BB-CC-DD-04 UP");
    EXPECT_EQ(Text(IDC_CURRENT_MAC), "02-AA-BB-CC-DD-04");
}

TEST_F(Lab, AnAddressTheKernelRefusesIsReportedAndTheAddressInEffectStaysShown)
{
    const LabAdapter& adapter = adapters_[1];
    SelectConnection(1);
    const std::string inEffect = LinkState(adapter.interfaceName);
    TypeNewAddress("010203040506");  // a multicast address: no interface may carry it
    Press(IDC_CHANGE_MAC);

    EXPECT_EQ(Text(IDC_STATUS), "Couldn't restart the connection");
    EXPECT_EQ(StoredAddress(adapter.adapterId), "010203040506");
    EXPECT_EQ(LinkState(adapter.interfaceName), inEffect);
    EXPECT_EQ(Text(IDC_CURRENT_MAC) + " UP", inEffect);
}

}  // namespace
