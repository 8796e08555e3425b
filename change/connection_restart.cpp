#include "connection_restart.h"

#include <windows.h>
#include <netcon.h>
#include <wrl/client.h>

#include <cwchar>
#include <cstring>

#include "main_window.h"
#include "scoped.h"
#include "status_texts.h"
#include "system_modules.h"

using Microsoft::WRL::ComPtr;

// Netshell's connection manager; neither id is in MinGW's uuid library.
extern "C" const CLSID CLSID_ConnectionManager = {0xBA126AD1, 0x2166, 0x11D1, {0xB1, 0xD0, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
extern "C" const IID IID_INetConnectionManager = {0xC08956A2, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};

namespace {

using FreeNetconPropertiesFn = void(WINAPI*)(NETCON_PROPERTIES* properties);

// Widens the name with the ANSI code page, its own encoding, into n + 1 units from the heap.
wchar_t* WidenConnectionName(const char* connectionName, ScopedHeapBlock& owner)
{
    const size_t units = std::strlen(connectionName) + 1;
    auto* wide = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, units * sizeof(wchar_t)));
    *owner.put() = wide;
    if (!wide || MultiByteToWideChar(CP_ACP, 0, connectionName, -1, wide, static_cast<int>(units)) == 0)
        return nullptr;
    return wide;
}

// The adapter's GUID from its braced id; false when the id is empty or no GUID.
bool ParseBracedAdapterId(const char* bracedAdapterId, GUID& adapterId)
{
    wchar_t wide[64] = {};
    if (!*bracedAdapterId || MultiByteToWideChar(CP_ACP, 0, bracedAdapterId, -1, wide, 64) == 0)
        return false;
    return SUCCEEDED(IIDFromString(wide, &adapterId));
}

// What a connection is found by: its name when `name` is set, else its adapter's id (on
// Windows a LAN connection's guidId is its adapter's NetCfgInstanceId).
struct ConnectionWanted {
    const wchar_t* name;
    const GUID* adapterId;
};

bool IsWanted(const NETCON_PROPERTIES& properties, const ConnectionWanted& wanted)
{
    if (wanted.name)
        return properties.pszwName && std::wcscmp(properties.pszwName, wanted.name) == 0;
    return IsEqualGUID(properties.guidId, *wanted.adapterId) != FALSE;
}

struct Restarts {
    bool enumerated;  // the manager gave an enumerator
    bool matched;
    bool connectFailed;
};

// Disconnects and reconnects every wanted connection, in the order of the enumeration.
Restarts RestartWantedConnections(INetConnectionManager* manager, FreeNetconPropertiesFn freeProperties, const ConnectionWanted& wanted)
{
    Restarts restarts = {};
    ComPtr<IEnumNetConnection> connections;
    manager->EnumConnections(NCME_DEFAULT, connections.GetAddressOf());
    if (!connections)
        return restarts;
    restarts.enumerated = true;
    for (;;) {
        ComPtr<INetConnection> connection;
        ULONG fetched = 0;
        connections->Next(1, connection.GetAddressOf(), &fetched);
        if (fetched == 0 || !connection)
            return restarts;
        NETCON_PROPERTIES* properties = nullptr;
        connection->GetProperties(&properties);
        if (!properties)
            continue;
        if (IsWanted(*properties, wanted)) {
            restarts.matched = true;
            // A connection that is already down may refuse to disconnect; only Connect counts.
            connection->Disconnect();
            if (FAILED(connection->Connect()))
                restarts.connectFailed = true;
        }
        freeProperties(properties);
    }
}

const char* Fail(const char* message)
{
    SetStatusText(message);
    return message;
}

}  // namespace

const char* RestartConnection(const char* connectionName, const char* bracedAdapterId)
{
    ScopedHeapBlock wideOwner;
    const wchar_t* wideName = WidenConnectionName(connectionName, wideOwner);
    if (!wideName)
        return Fail(kStatusRestartFailed);

    ScopedModule netshell(LoadSystemModule("Netshell.dll"));
    if (!netshell.get())
        return Fail(kStatusNetshellNotLoaded);
    auto freeProperties = ExportOf<FreeNetconPropertiesFn>(netshell.get(), "NcFreeNetconProperties");
    if (!freeProperties)
        return Fail(kStatusFreeFunctionNotLoaded);

    // Released before the module is freed: declared after it.
    ComPtr<INetConnectionManager> manager;
    if (FAILED(CoCreateInstance(CLSID_ConnectionManager, nullptr, CLSCTX_ALL, IID_INetConnectionManager,
            reinterpret_cast<void**>(manager.GetAddressOf())))
        || !manager)
        return Fail(kStatusRestartFailed);

    Restarts restarts = RestartWantedConnections(manager.Get(), freeProperties, {wideName, nullptr});
    // A name that the ANSI code page cannot carry arrives as question marks and matches no
    // connection; the adapter's id still finds it.
    GUID adapterId;
    if (restarts.enumerated && !restarts.matched && ParseBracedAdapterId(bracedAdapterId, adapterId))
        restarts = RestartWantedConnections(manager.Get(), freeProperties, {nullptr, &adapterId});
    if (!restarts.matched || restarts.connectFailed)
        return Fail(kStatusRestartFailed);
    return nullptr;
}
