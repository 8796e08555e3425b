// In-process fakes of the Network List Manager, Netshell's connection manager, the accessibility layer's
// property services and the taskbar's list, registered while a ComFakes lives: any call can fail, every
// object and properties block handed out is counted.
#pragma once

#include <windows.h>
#include <netcon.h>

#include <functional>
#include <string>
#include <vector>

// A Netshell connection: its name (null: none), its guidId (on Windows its adapter's id), its status.
struct NetConnection {
    const wchar_t* name;
    GUID adapter = {};
    NETCON_STATUS status = NCS_CONNECTED;
};

struct ComScript {
    // Connected networks, each with the adapters behind its connections; and disconnected ones.
    std::vector<std::vector<GUID>> networks{};
    std::vector<std::vector<GUID>> disconnectedNetworks{};
    // Netshell's connections in enumeration order.
    std::vector<NetConnection> connections{};
    // The one call that fails, "Method#n" (its n-th call, from 0), returning `failure` (S_OK: gives nothing).
    std::string failing{};
    HRESULT failure = E_FAIL;
    // Runs inside each Connect, while the program waits for it, with the connection's guidId.
    std::function<void(const GUID& adapter)> duringConnect{};
    // Whether the taskbar tells the window that its button exists ("TaskbarButtonCreated").
    bool taskbarButtonCreated = true;
    // When set, decides instead whether a call ("Connect"; one that hands out an object?) fails, and how.
    std::function<bool(const std::string& method, bool handsOut, HRESULT& failure)> fails{};
};

class ComFakes {
public:
    explicit ComFakes(ComScript script);
    ~ComFakes();
    ComFakes(const ComFakes&) = delete;
    ComFakes& operator=(const ComFakes&) = delete;

    // "Disconnect 1", "Connect 1", ... by the index of the connection.
    const std::vector<std::string>& Calls() const;
    // The windows made polite live regions, one for each SetHwndProp (null: another property).
    const std::vector<HWND>& LiveRegions() const;
    // What the taskbar's list was asked: "created", "HrInit", "indeterminate: <status line>, <n> calls", ...
    const std::vector<std::string>& Taskbar() const;
    // What is amiss: an object handed out not released, a block not freed exactly once.
    std::string Unbalanced() const;
};
