#include "connection_restart.h"

#include <windows.h>
#include <netcon.h>
#include <wrl/client.h>

#include <cwchar>
#include <cstring>

#include "platform_facts.h"
#include "scoped.h"
#include "system_modules.h"

using Microsoft::WRL::ComPtr;

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

// A connection's properties block, freed with Netshell's own function.
using ScopedNetconProperties = ScopedHandle<NETCON_PROPERTIES*, ReleaseThrough<NETCON_PROPERTIES*>>;

// Disconnects and reconnects one connection whose status was `status`; false when it did not
// restart: Connect failed, or the connection was up and would not go down (it is connected all
// the same, so that it is left up). A connection that is already down may refuse to disconnect.
bool RestartOne(INetConnection* connection, NETCON_STATUS status)
{
    const bool stopped = SUCCEEDED(connection->Disconnect()) || status == NCS_DISCONNECTED;
    const bool connected = SUCCEEDED(connection->Connect());
    return stopped && connected;
}

struct Restarts {
    bool enumerated;  // the manager gave an enumerator
    bool matched;
    bool failed;  // one of them did not restart
};

// Finds the wanted connections among those the manager enumerates, and restarts each in turn.
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
        ScopedNetconProperties properties{ReleaseThrough<NETCON_PROPERTIES*>(freeProperties)};  // freed before the connection is released
        connection->GetProperties(properties.put());
        if (!properties.get() || !IsWanted(*properties.get(), wanted))
            continue;
        restarts.matched = true;
        if (!RestartOne(connection.Get(), properties.get()->Status))
            restarts.failed = true;
    }
}

}  // namespace

Outcome RestartConnection(const char* connectionName, const char* bracedAdapterId)
{
    ScopedHeapBlock wideOwner;
    const wchar_t* wideName = WidenConnectionName(connectionName, wideOwner);
    if (!wideName)
        return Outcome::RestartFailed;

    ScopedModule netshell(LoadSystemModule("Netshell.dll"));
    if (!netshell.get())
        return Outcome::NetshellNotLoaded;
    auto freeProperties = ExportOf<FreeNetconPropertiesFn>(netshell.get(), "NcFreeNetconProperties");
    if (!freeProperties)
        return Outcome::FreeFunctionNotLoaded;

    // Released before the module is freed: declared after it.
    ComPtr<INetConnectionManager> manager;
    if (FAILED(CoCreateInstance(kConnectionManagerClass, nullptr, CLSCTX_ALL, kConnectionManagerInterface,
            reinterpret_cast<void**>(manager.GetAddressOf())))
        || !manager)
        return Outcome::RestartFailed;

    Restarts restarts = RestartWantedConnections(manager.Get(), freeProperties, {wideName, nullptr});
    // A name that the ANSI code page cannot carry arrives as question marks and matches no
    // connection; the adapter's id still finds it.
    GUID adapterId;
    if (restarts.enumerated && !restarts.matched && ParseBracedAdapterId(bracedAdapterId, adapterId))
        restarts = RestartWantedConnections(manager.Get(), freeProperties, {nullptr, &adapterId});
    return restarts.matched && !restarts.failed ? Outcome::Done : Outcome::RestartFailed;
}
