// A Network List Manager double: scripted connected networks, their connections and the
// adapter ids behind them, with a failure at any step of the walk. Registered in-process
// for CLSID_NetworkListManager while it lives.
#pragma once

#include <windows.h>
#include <netlistmgr.h>

#include <vector>

#include "com_ledger.h"

struct ScriptedConnection {
    GUID adapterId;
    HRESULT getAdapterId = S_OK;
};

struct ScriptedNetwork {
    std::vector<ScriptedConnection> connections;
    HRESULT getConnections = S_OK;
    bool withoutConnectionEnumerator = false;  // GetNetworkConnections succeeds but gives none
    int connectionsNextFailsAt = -1;           // the call of Next (from 0) that fails
};

struct NetworkListScript {
    HRESULT createInstance = S_OK;
    HRESULT getNetworks = S_OK;
    bool withoutNetworkEnumerator = false;  // GetNetworks succeeds but gives none
    int networksNextFailsAt = -1;           // the call of Next (from 0) that fails
    std::vector<ScriptedNetwork> networks;
};

// One connected network carrying a connection for each adapter, in order.
NetworkListScript OneNetworkOf(const std::vector<GUID>& adapters);

class NetworkListDouble {
public:
    explicit NetworkListDouble(NetworkListScript script);
    NetworkListDouble(const NetworkListDouble&) = delete;
    NetworkListDouble& operator=(const NetworkListDouble&) = delete;

    bool Registered() const { return registration_.Registered(); }
    const ComLedger& Ledger() const { return ledger_; }
    // The flags of every GetNetworks call.
    const std::vector<NLM_ENUM_NETWORK>& NetworksRequested() const { return networksRequested_; }

    // Used by the double's objects.
    const NetworkListScript& Script() const { return script_; }
    ComLedger& MutableLedger() { return ledger_; }
    void RecordNetworksRequest(NLM_ENUM_NETWORK flags) { networksRequested_.push_back(flags); }

private:
    NetworkListScript script_;
    ComLedger ledger_;
    std::vector<NLM_ENUM_NETWORK> networksRequested_;
    ClassRegistration registration_;
};
