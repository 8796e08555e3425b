// Seeds the lab's registry as Windows keeps it, for the adapters that Wine reports for the
// lab's veth interfaces: a named connection entry under the Network key for each, driver keys
// under the network adapter class key among unrelated ones, the stand-in Netshell.dll as the
// connection manager's COM server, and what the stand-in needs to play the driver. Writes a
// record of the adapters (interface, address, adapter id, connection name, driver key, driver;
// UTF-8).
//
//   lab_setup.exe --agent Z:\\path\\agent --record Z:\\path\\adapters.tsv lab0=02:11:22:33:44:55 ... labtun=
//
// An interface without an address is a tunnel, named "VPN".
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "lab_registry.h"

namespace {

struct LabAdapter {
    std::string interfaceName;
    std::string address;
    std::wstring adapterId;
    std::wstring connectionName;
    std::wstring driverKey;  // its subkey of the network adapter class key
    const wchar_t* driver = kLabEthernetDriver;
};

// Connection names as a user's Windows would show them, stored in UTF-16 as Windows stores
// them: one has accented letters that code page 1252 carries, one is Cyrillic, which it does
// not ("Local Area Connection" on a Russian Windows). The third adapter's driver behaves as a
// Wi-Fi driver. Further adapters are "Ethernet 4", "Ethernet 5" and so on.
const wchar_t* const kConnectionNames[] = {L"Ethernet", L"R\u00E9seau local", L"Wi-Fi",
    L"\u041F\u043E\u0434\u043A\u043B\u044E\u0447\u0435\u043D\u0438\u0435 \u043F\u043E \u043B\u043E\u043A\u0430\u043B\u044C\u043D\u043E\u0439 \u0441\u0435\u0442\u0438"};
constexpr size_t kWifiAdapter = 2;

std::wstring ConnectionName(size_t index)
{
    if (index < std::size(kConnectionNames))
        return kConnectionNames[index];
    return L"Ethernet " + std::to_wstring(index);
}

// Driver keys of other devices, as a real machine has them around the adapters.
const wchar_t* const kUnrelatedDrivers[][2] = {
    {L"{5C8E2A61-3E8B-4D53-9F7A-2B1D0C7E4F10}", L"WAN Miniport (IKEv2)"},
    {L"{A7D3C2B1-9E8F-4A6B-8C5D-1F2E3D4C5B6A}", L"Microsoft Kernel Debug Network Adapter"},
    {L"{0B1C2D3E-4F5A-4B6C-9D7E-8F9A0B1C2D3E}", L"Bluetooth Device (Personal Area Network)"},
    {L"{E4F5A6B7-C8D9-4E0F-A1B2-C3D4E5F6A7B8}", L"WAN Miniport (IP)"},
};

bool SetString(const std::wstring& path, const wchar_t* name, const std::wstring& value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

std::string Utf8(const std::wstring& text)
{
    char buffer[512] = {};
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, buffer, sizeof buffer - 1, nullptr, nullptr);
    return buffer;
}

// The adapter id that Wine reports for a Linux interface (its description).
std::wstring AdapterIdOf(const std::string& interfaceName)
{
    std::vector<BYTE> table(64 * sizeof(IP_ADAPTER_INFO));
    ULONG size = static_cast<ULONG>(table.size());
    if (GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(table.data()), &size) != NO_ERROR)
        return std::wstring();
    for (auto* adapter = reinterpret_cast<IP_ADAPTER_INFO*>(table.data()); adapter; adapter = adapter->Next) {
        if (interfaceName == adapter->Description)
            return Wide(adapter->AdapterName);
    }
    return std::wstring();
}

bool Seed(std::vector<LabAdapter>& adapters, const std::string& agentFolder)
{
    const std::wstring network = std::wstring(kNetworkKeyPathW) + L"\\" + kAdapterClassNameW + L"\\";
    const std::wstring classKey = std::wstring(kAdapterClassKeyPathW) + L"\\";
    // Only the lab's: nothing that a test in the build's prefix may have left behind.
    for (const wchar_t* key : {kNetworkKeyPathW, kAdapterClassKeyPathW})
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, key);
    bool ok = SetString(kLabKey, kLabAgentFolderValue, Wide(agentFolder));
    // The class key's Properties subkey has no NetCfgInstanceId, as on Windows.
    ok = ok && SetString(classKey + L"Properties", L"Security", L"");

    int driver = 0;
    wchar_t driverKey[8];
    for (size_t i = 0; i < adapters.size() || i < std::size(kUnrelatedDrivers); ++i) {
        if (i < std::size(kUnrelatedDrivers)) {
            std::swprintf(driverKey, 8, L"%04d", driver++);
            ok = ok && SetString(classKey + driverKey, L"NetCfgInstanceId", kUnrelatedDrivers[i][0]);
            ok = ok && SetString(classKey + driverKey, L"DriverDesc", kUnrelatedDrivers[i][1]);
        }
        if (i >= adapters.size())
            continue;
        LabAdapter& adapter = adapters[i];
        std::swprintf(driverKey, 8, L"%04d", driver++);
        adapter.driverKey = driverKey;
        ok = ok && SetString(classKey + driverKey, L"NetCfgInstanceId", adapter.adapterId);
        ok = ok && SetString(classKey + driverKey, L"DriverDesc", L"Quillon lab veth adapter");
        ok = ok && SetString(network + adapter.adapterId + L"\\Connection", L"Name", adapter.connectionName);
        const std::wstring lab = std::wstring(kLabAdaptersKey) + L"\\" + adapter.adapterId;
        ok = ok && SetString(lab, kLabInterfaceValue, Wide(adapter.interfaceName));
        ok = ok && SetString(lab, kLabPermanentAddressValue, Wide(adapter.address));
        ok = ok && SetString(lab, kLabDriverValue, adapter.driver);
    }

    wchar_t connectionManager[40] = {};
    StringFromGUID2(kConnectionManagerClass, connectionManager, 40);
    const std::wstring server = std::wstring(L"SOFTWARE\\Classes\\CLSID\\") + connectionManager + L"\\InprocServer32";
    ok = ok && SetString(server, nullptr, L"C:\\windows\\system32\\netshell.dll");
    ok = ok && SetString(server, L"ThreadingModel", L"Both");
    return ok;
}

bool WriteRecord(const std::vector<LabAdapter>& adapters, const std::string& path)
{
    FILE* record = std::fopen(path.c_str(), "wb");
    if (!record)
        return false;
    for (const LabAdapter& adapter : adapters) {
        std::fprintf(record, "%s\t%s\t%s\t%s\t%s\t%s\n", adapter.interfaceName.c_str(), adapter.address.c_str(),
            Utf8(adapter.adapterId).c_str(), Utf8(adapter.connectionName).c_str(), Utf8(adapter.driverKey).c_str(),
            Utf8(adapter.driver).c_str());
    }
    return std::fclose(record) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string agentFolder;
    std::string recordPath;
    std::vector<LabAdapter> adapters;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--agent" && i + 1 < argc) {
            agentFolder = argv[++i];
        } else if (argument == "--record" && i + 1 < argc) {
            recordPath = argv[++i];
        } else if (argument.find('=') != std::string::npos) {
            LabAdapter adapter;
            adapter.interfaceName = argument.substr(0, argument.find('='));
            adapter.address = argument.substr(argument.find('=') + 1);
            const bool tunnel = adapter.address.empty();
            adapter.connectionName = tunnel ? L"VPN" : ConnectionName(adapters.size());
            adapter.driver = tunnel ? kLabTunnelDriver : adapters.size() == kWifiAdapter ? kLabWifiDriver : kLabEthernetDriver;
            adapters.push_back(adapter);
        } else {
            std::fprintf(stderr, "lab_setup: unexpected argument %s\n", argument.c_str());
            return 2;
        }
    }
    for (LabAdapter& adapter : adapters) {
        adapter.adapterId = AdapterIdOf(adapter.interfaceName);
        if (adapter.adapterId.empty()) {
            std::fprintf(stderr, "lab_setup: Wine reports no adapter for %s\n", adapter.interfaceName.c_str());
            return 1;
        }
    }
    if (agentFolder.empty() || recordPath.empty() || !Seed(adapters, agentFolder) || !WriteRecord(adapters, recordPath)) {
        std::fprintf(stderr, "lab_setup: could not seed the registry or write the record\n");
        return 1;
    }
    return 0;
}
