// In-process fakes of the two COM services that the program walks, the Network List Manager and
// Netshell's connection manager, registered for their class ids while a ComFakes lives. Any one
// call can be made to fail, every object handed out is counted, and every connection-properties
// block is checked to be freed exactly once.
#pragma once

#include <windows.h>
#include <netcon.h>

#include <functional>
#include <string>
#include <vector>

// One of Netshell's connections: its name (null: a block without one), its guidId, which on
// Windows is the id of the adapter behind a LAN connection, and its status.
struct NetConnection {
    const wchar_t* name;
    GUID adapter = {};
    NETCON_STATUS status = NCS_CONNECTED;
};

struct ComScript {
    // Connected networks, each with the adapters behind its connections.
    std::vector<std::vector<GUID>> networks{};
    // Netshell's connections in enumeration order.
    std::vector<NetConnection> connections{};
    // The one call that fails, as "Method#n" (n counts that method's calls from 0), for example
    // "GetNetworkConnections#1"; `failure` is what it returns (S_OK: it succeeds and gives nothing).
    std::string failing{};
    HRESULT failure = E_FAIL;
    // Runs inside each Connect, while the program waits for it, with the connection's guidId.
    std::function<void(const GUID& adapter)> duringConnect{};
};

class ComFakes {
public:
    explicit ComFakes(ComScript script);
    ~ComFakes();
    ComFakes(const ComFakes&) = delete;
    ComFakes& operator=(const ComFakes&) = delete;

    // "Disconnect 1", "Connect 1", ... by the index of the connection.
    const std::vector<std::string>& Calls() const;
    // Empty when every object handed out was released and every block freed exactly once;
    // otherwise what is amiss.
    std::string Unbalanced() const;
};
