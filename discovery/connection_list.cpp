#include "connection_list.h"

#include <netlistmgr.h>
#include <wrl/client.h>

#include <cstring>

#include "resource.h"
#include "scoped.h"
#include "text.h"

using Microsoft::WRL::ComPtr;

// Neither id is taken from MinGW's uuid library, which brings in every id it knows.
extern "C" const CLSID CLSID_NetworkListManager = {0xDCB00C01, 0x570F, 0x4A9B, {0x8D, 0x69, 0x19, 0x9F, 0xDB, 0xA5, 0x72, 0x3B}};
extern "C" const IID IID_INetworkListManager = {0xDCB00000, 0x570F, 0x4A9B, {0x8D, 0x69, 0x19, 0x9F, 0xDB, 0xA5, 0x72, 0x3B}};

namespace {

const char kNetworkKeyPath[] = "SYSTEM\\CurrentControlSet\\Control\\Network";

// RegEnumKeyA only gets this far for a name that fits (up to 199 characters).
constexpr DWORD kSubkeyNameSize = 200;
constexpr DWORD kNameValueSize = 200;
constexpr size_t kAdapterIdSize = 64;
// The connection key's path below the Network key: the longest subkey name, "\{", the id,
// "}\Connection" and the zero. The path is opened relative to the open Network key, which
// keeps it within the 255 characters that a key path given to the "A" functions may have.
constexpr size_t kConnectionKeyPathSize = (kSubkeyNameSize - 1) + 2 + 36 + 12 + 1;

// Ends the subkey walk when the enumeration keeps failing, as it does for every index once
// the Network key has been deleted under the open handle. Subkeys whose names are too long
// also fail, but a real Network key holds a handful of subkeys, not hundreds in a row.
constexpr int kMaxEnumerationFailuresInARow = 256;

// The GUID's fields as 8, 4, 4, 4 and 12 upper-case hexadecimal digits joined by hyphens:
// 36 characters and the terminator, well within the 64 bytes.
void FormatAdapterId(const GUID& guid, char (&adapterId)[kAdapterIdSize])
{
    std::memset(adapterId, 0, sizeof adapterId);
    WriteHex(adapterId, guid.Data1, 8);
    adapterId[8] = '-';
    WriteHex(adapterId + 9, guid.Data2, 4);
    adapterId[13] = '-';
    WriteHex(adapterId + 14, guid.Data3, 4);
    adapterId[18] = '-';
    for (size_t i = 0; i < 8; ++i)
        WriteHex(adapterId + (i < 2 ? 19 : 20) + 2 * i, guid.Data4[i], 2);
    adapterId[23] = '-';
}

// Reads the Name value of the adapter's connection key under one subkey of the open Network key.
// False when there is no such key or value, or no name of at least 2 characters that ends
// within the buffer (a value that fills all of it without a zero byte is passed over).
bool ReadConnectionName(HKEY networkKey, const char* subkeyName, const char* adapterId, char (&name)[kNameValueSize])
{
    char path[kConnectionKeyPathSize] = {};
    if (!AppendText(path, sizeof path, subkeyName) || !AppendText(path, sizeof path, "\\{") || !AppendText(path, sizeof path, adapterId)
        || !AppendText(path, sizeof path, "}\\Connection"))
        return false;

    ScopedRegKey connectionKey;
    if (RegOpenKeyExA(networkKey, path, 0, KEY_READ, connectionKey.put()) != ERROR_SUCCESS)
        return false;

    std::memset(name, 0, sizeof name);
    DWORD type = 0;
    DWORD size = kNameValueSize;
    if (RegQueryValueExA(connectionKey.get(), "Name", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) != ERROR_SUCCESS)
        return false;
    if (!std::memchr(name, '\0', sizeof name))
        return false;
    return std::strlen(name) >= 2;
}

void AddConnectionsOfNetwork(HWND list, INetwork* network)
{
    ComPtr<IEnumNetworkConnections> connections;
    if (FAILED(network->GetNetworkConnections(connections.GetAddressOf())) || !connections)
        return;
    for (;;) {
        ComPtr<INetworkConnection> connection;
        ULONG fetched = 0;
        if (FAILED(connections->Next(1, connection.GetAddressOf(), &fetched)) || !connection)
            return;
        GUID adapterGuid = {};
        if (FAILED(connection->GetAdapterId(&adapterGuid)))
            continue;
        char adapterId[kAdapterIdSize];
        FormatAdapterId(adapterGuid, adapterId);
        AddConnectionForAdapter(list, adapterId);
    }
}

}  // namespace

void FillConnectionList(HWND window)
{
    AdapterIdList.Clear();
    CoInitialize(nullptr);  // balanced by CoUninitialize when the main window closes

    ComPtr<INetworkListManager> manager;
    if (FAILED(CoCreateInstance(CLSID_NetworkListManager, nullptr, CLSCTX_ALL, IID_INetworkListManager,
            reinterpret_cast<void**>(manager.GetAddressOf())))
        || !manager)
        return;
    ComPtr<IEnumNetworks> networks;
    if (FAILED(manager->GetNetworks(NLM_ENUM_NETWORK_CONNECTED, networks.GetAddressOf())) || !networks)
        return;

    HWND list = GetDlgItem(window, IDC_CONNECTION);
    for (;;) {
        ComPtr<INetwork> network;
        ULONG fetched = 0;
        if (FAILED(networks->Next(1, network.GetAddressOf(), &fetched)) || !network)
            return;
        AddConnectionsOfNetwork(list, network.Get());
    }
}

void AddConnectionForAdapter(HWND list, const char* adapterId)
{
    ScopedRegKey networkKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kNetworkKeyPath, 0, KEY_READ, networkKey.put()) != ERROR_SUCCESS)
        return;

    int failuresInARow = 0;
    for (DWORD index = 0; failuresInARow < kMaxEnumerationFailuresInARow; ++index) {
        char subkeyName[kSubkeyNameSize] = {};
        const LONG status = RegEnumKeyA(networkKey.get(), index, subkeyName, kSubkeyNameSize);
        if (status == ERROR_NO_MORE_ITEMS)
            return;
        if (status != ERROR_SUCCESS) {
            ++failuresInARow;  // a name of 200 characters or more, say: skip the index
            continue;
        }
        failuresInARow = 0;

        char name[kNameValueSize];
        if (!ReadConnectionName(networkKey.get(), subkeyName, adapterId, name))
            continue;
        // The id first, so that an item never stands without one; without room for the id
        // there is no item either, and an item that the list refuses takes its id back.
        if (!AdapterIdList.Append(adapterId))
            continue;
        if (SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name)) < 0)
            AdapterIdList.RemoveLast();
    }
}

void BuildBracedAdapterId(unsigned index, char* buffer, size_t size)
{
    std::memset(buffer, 0, size);
    const char* adapterId = AdapterIdList.At(index);
    if (adapterId && !(AppendText(buffer, size, "{") && AppendText(buffer, size, adapterId) && AppendText(buffer, size, "}")))
        std::memset(buffer, 0, size);  // an id that would not fit matches nothing, rather than a cut one
}
