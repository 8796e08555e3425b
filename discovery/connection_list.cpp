#include "connection_list.h"

#include <netlistmgr.h>
#include <wrl/client.h>

#include <cstring>

#include "platform_facts.h"
#include "resource.h"
#include "scoped.h"
#include "text.h"

using Microsoft::WRL::ComPtr;

namespace {

// RegEnumKeyA only gets this far for a name that fits (up to 199 characters).
constexpr DWORD kSubkeyNameSize = 200;
constexpr DWORD kNameValueSize = 200;
constexpr size_t kAdapterIdSize = 64;
// The keys below a subkey: any name a registry key may have (255 characters), so that no name
// fails to enumerate; an adapter's connection entry is named "{" + its id + "}".
constexpr DWORD kEntryNameSize = 256;
constexpr size_t kEntryNameLength = AdapterIdArray::kIdLength + 2;

// Ends a walk of a key's subkeys when the enumeration keeps failing, as it does for every index
// once the key has been deleted under the open handle. Subkeys of the Network key whose names
// are too long also fail, but a real Network key holds a handful of subkeys, not hundreds in a row.
constexpr int kMaxEnumerationFailuresInARow = 256;

// The adapters behind the connections that the Network List Manager reported: each distinct id
// once, and the reports in their order, as indexes of those ids. An adapter is reported under
// each network that it is connected to, and may be reported often.
struct ReportedAdapters {
    AdapterIdArray ids;
    HeapList<unsigned> reports;
};

// A connection entry of a reported adapter with a usable name, under one subkey of the Network key.
struct ConnectionEntry {
    unsigned adapter;  // its index in ReportedAdapters::ids
    char name[kNameValueSize];
};

// The GUID's fields as 8, 4, 4, 4 and 12 upper-case hexadecimal digits joined by hyphens:
// each field fills exactly its digits, so the text has 36 characters and the terminator, well
// within the 64 bytes.
void FormatAdapterId(const GUID& guid, char (&adapterId)[kAdapterIdSize])
{
    std::memset(adapterId, 0, sizeof adapterId);
    const BYTE* d = guid.Data4;
    wsprintfA(adapterId, "%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", guid.Data1, guid.Data2, guid.Data3, d[0], d[1], d[2],
        d[3], d[4], d[5], d[6], d[7]);
}

// Notes one more report of the adapter; false when there is no memory for it.
bool Report(ReportedAdapters& reported, const char* adapterId)
{
    unsigned index = 0;
    while (index < reported.ids.Count() && std::strcmp(reported.ids.At(index), adapterId) != 0)
        ++index;
    if (index == reported.ids.Count() && !reported.ids.Append(adapterId))
        return false;
    return reported.reports.Append(index);
}

// The connections of one network; false when the walk must end (no memory).
bool ReportConnectionsOfNetwork(INetwork* network, ReportedAdapters& reported)
{
    ComPtr<IEnumNetworkConnections> connections;
    if (FAILED(network->GetNetworkConnections(connections.GetAddressOf())) || !connections)
        return true;
    for (;;) {
        ComPtr<INetworkConnection> connection;
        ULONG fetched = 0;
        if (FAILED(connections->Next(1, connection.GetAddressOf(), &fetched)) || !connection)
            return true;
        GUID adapterGuid = {};
        if (FAILED(connection->GetAdapterId(&adapterGuid)))
            continue;
        char adapterId[kAdapterIdSize];
        FormatAdapterId(adapterGuid, adapterId);
        if (!Report(reported, adapterId))
            return false;
    }
}

// The adapters behind the connections of every connected network, in the order of the walk.
void ReportConnectedAdapters(ReportedAdapters& reported)
{
    ComPtr<INetworkListManager> manager;
    if (FAILED(CoCreateInstance(kNetworkListManagerClass, nullptr, CLSCTX_ALL, kNetworkListManagerInterface,
            reinterpret_cast<void**>(manager.GetAddressOf())))
        || !manager)
        return;
    ComPtr<IEnumNetworks> networks;
    if (FAILED(manager->GetNetworks(NLM_ENUM_NETWORK_CONNECTED, networks.GetAddressOf())) || !networks)
        return;
    for (;;) {
        ComPtr<INetwork> network;
        ULONG fetched = 0;
        if (FAILED(networks->Next(1, network.GetAddressOf(), &fetched)) || !network)
            return;
        if (!ReportConnectionsOfNetwork(network.Get(), reported))
            return;
    }
}

// The reported adapter whose connection entry a key of this name is, "{" + id + "}" in either
// case, as the registry compares key names; false for any other name.
bool FindEntryAdapter(const ReportedAdapters& reported, const char* entryName, unsigned& adapter)
{
    if (std::strlen(entryName) != kEntryNameLength || entryName[0] != '{' || entryName[kEntryNameLength - 1] != '}')
        return false;
    for (adapter = 0; adapter < reported.ids.Count(); ++adapter) {
        if (_strnicmp(entryName + 1, reported.ids.At(adapter), AdapterIdArray::kIdLength) == 0)
            return true;
    }
    return false;
}

// Reads the Name value of the connection key below an adapter's entry. False when there is no
// such key or value, or no name of at least 2 characters that ends within the buffer (a value
// that fills all of it without a zero byte is passed over).
bool ReadConnectionName(HKEY subkey, const char* entryName, char (&name)[kNameValueSize])
{
    char path[kEntryNameLength + sizeof "\\Connection"] = {};
    if (!AppendText(path, sizeof path, entryName) || !AppendText(path, sizeof path, "\\Connection"))
        return false;
    ScopedRegKey connectionKey;
    if (RegOpenKeyExA(subkey, path, 0, KEY_READ, connectionKey.put()) != ERROR_SUCCESS)
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

// Walks a key's subkeys from index 0, handing each name to `visit`; a name that fails to
// enumerate (one too long for the buffer) is skipped. `visit` returns false to end the walk.
template <DWORD kNameSize, typename Visit>
void WalkSubkeys(HKEY key, Visit visit)
{
    int failuresInARow = 0;
    for (DWORD index = 0; failuresInARow < kMaxEnumerationFailuresInARow; ++index) {
        char name[kNameSize] = {};
        const LONG status = RegEnumKeyA(key, index, name, kNameSize);
        if (status == ERROR_NO_MORE_ITEMS)
            return;
        if (status != ERROR_SUCCESS) {
            ++failuresInARow;
            continue;
        }
        failuresInARow = 0;
        if (!visit(name))
            return;
    }
}

// The named connection entries of the reported adapters, in one walk of the Network key's
// subkeys: under each subkey, only the keys that are there are opened.
void FindConnectionEntries(const ReportedAdapters& reported, HeapList<ConnectionEntry>& entries)
{
    ScopedRegKey networkKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kNetworkKeyPath, 0, KEY_READ, networkKey.put()) != ERROR_SUCCESS)
        return;
    WalkSubkeys<kSubkeyNameSize>(networkKey.get(), [&](const char* subkeyName) {
        ScopedRegKey subkey;
        if (RegOpenKeyExA(networkKey.get(), subkeyName, 0, KEY_READ, subkey.put()) != ERROR_SUCCESS)
            return true;
        bool memory = true;
        WalkSubkeys<kEntryNameSize>(subkey.get(), [&](const char* entryName) {
            ConnectionEntry entry;
            if (FindEntryAdapter(reported, entryName, entry.adapter) && ReadConnectionName(subkey.get(), entryName, entry.name))
                memory = entries.Append(entry);
            return memory;
        });
        return memory;
    });
}

// Appends one item to `list`, with one entry of AdapterIdList, for each named connection entry
// of the reported adapter, in subkey order.
void AddConnectionForAdapter(HWND list, const ReportedAdapters& reported, unsigned adapter, const HeapList<ConnectionEntry>& entries)
{
    for (unsigned i = 0; i < entries.Count(); ++i) {
        const ConnectionEntry& entry = *entries.At(i);
        if (entry.adapter != adapter)
            continue;
        // The id first, so that an item never stands without one; without room for the id there
        // is no item either, and an item that the list refuses takes its id back.
        if (!AdapterIdList.Append(reported.ids.At(adapter)))
            return;
        if (SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.name)) < 0)
            AdapterIdList.RemoveLast();
    }
}

}  // namespace

void FillConnectionList(HWND window)
{
    AdapterIdList.Clear();

    ReportedAdapters reported;
    ReportConnectedAdapters(reported);
    HeapList<ConnectionEntry> entries;
    if (reported.ids.Count() > 0)
        FindConnectionEntries(reported, entries);

    HWND list = GetDlgItem(window, IDC_CONNECTION);
    for (unsigned report = 0; report < reported.reports.Count(); ++report)
        AddConnectionForAdapter(list, reported, *reported.reports.At(report), entries);
}

void BuildBracedAdapterId(unsigned index, char (&buffer)[kBracedAdapterIdSize])
{
    static_assert(AdapterIdArray::kIdLength + 3 <= kBracedAdapterIdSize, "braces, id and terminator fit");
    std::memset(buffer, 0, sizeof buffer);
    const char* adapterId = AdapterIdList.At(index);
    if (!adapterId)
        return;
    buffer[0] = '{';
    std::memcpy(buffer + 1, adapterId, AdapterIdArray::kIdLength);
    buffer[AdapterIdArray::kIdLength + 1] = '}';
}
