// A double of Netshell's connection manager: scripted connections with names, properties that
// may be missing, and Connect or Disconnect results. Registered in-process for
// CLSID_ConnectionManager while it lives; records the calls in order.
#pragma once

#include <windows.h>
#include <netcon.h>

#include <memory>
#include <string>
#include <vector>

#include "com_ledger.h"

struct ScriptedNetConnection {
    std::wstring name;
    bool withoutProperties = false;
    bool withoutName = false;  // a properties block whose pszwName is null
    HRESULT connect = S_OK;
    HRESULT disconnect = S_OK;
};

struct ConnectionManagerScript {
    HRESULT createInstance = S_OK;
    bool withoutEnumerator = false;
    std::vector<ScriptedNetConnection> connections;
};

class ConnectionManagerDouble {
public:
    explicit ConnectionManagerDouble(ConnectionManagerScript script);
    ConnectionManagerDouble(const ConnectionManagerDouble&) = delete;
    ConnectionManagerDouble& operator=(const ConnectionManagerDouble&) = delete;

    bool Registered() const { return registration_.Registered(); }
    int Creations() const { return registration_.CreateCalls(); }
    const ComLedger& Ledger() const { return ledger_; }
    // "Disconnect 0", "Connect 0", ... by index of the scripted connection.
    const std::vector<std::string>& Calls() const { return calls_; }
    // Every properties block handed out, in order.
    std::vector<const void*> BlocksHandedOut() const;

    // Used by the double's objects.
    const ConnectionManagerScript& Script() const { return script_; }
    ComLedger& MutableLedger() { return ledger_; }
    void Record(const std::string& call) { calls_.push_back(call); }
    NETCON_PROPERTIES* NewProperties(size_t index);

private:
    ConnectionManagerScript script_;
    ComLedger ledger_;
    std::vector<std::string> calls_;
    std::vector<std::unique_ptr<NETCON_PROPERTIES>> blocks_;
    ClassRegistration registration_;
};
