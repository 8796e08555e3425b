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

const char* Fail(const char* message)
{
    SetStatusText(message);
    return message;
}

}  // namespace

const char* RestartConnection(const char* connectionName)
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
    ComPtr<IEnumNetConnection> connections;
    manager->EnumConnections(NCME_DEFAULT, connections.GetAddressOf());
    if (!connections)
        return Fail(kStatusRestartFailed);

    bool matched = false;
    bool connectFailed = false;
    for (;;) {
        ComPtr<INetConnection> connection;
        ULONG fetched = 0;
        connections->Next(1, connection.GetAddressOf(), &fetched);
        if (fetched == 0 || !connection)
            break;
        NETCON_PROPERTIES* properties = nullptr;
        connection->GetProperties(&properties);
        if (!properties)
            continue;
        if (properties->pszwName && std::wcscmp(properties->pszwName, wideName) == 0) {
            matched = true;
            // A connection that is already down may refuse to disconnect; only Connect counts.
            connection->Disconnect();
            if (FAILED(connection->Connect()))
                connectFailed = true;
        }
        freeProperties(properties);
    }
    if (!matched || connectFailed)
        return Fail(kStatusRestartFailed);
    return nullptr;
}
