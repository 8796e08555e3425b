// The files of the lab: the folder where its agent (tools/lab-agent.sh) takes requests and notes
// what it served, with what the stand-in leaves there; and the record of the lab's adapters that
// lab_setup writes (tools/wine-lab.sh names it in QUILLON_LAB_RECORD).
#pragma once

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "lab_registry.h"

// The agent's folder as Windows names it (a Linux path on drive Z:, ASCII), with its trailing backslash.
inline std::string LabAgentFolder()
{
    wchar_t folder[MAX_PATH] = {};
    DWORD size = sizeof folder - sizeof *folder;
    RegGetValueW(HKEY_LOCAL_MACHINE, kLabKey, kLabAgentFolderValue, RRF_RT_REG_SZ, nullptr, folder, &size);
    std::wstring wide(folder);
    return std::string(wide.begin(), wide.end()) + "\\";
}
// While this file lies in the agent's folder, the stand-in holds Connect, as a slow service does;
// then it notes in the other how long input for the caller's windows stayed queued the longest.
inline constexpr char kLabHoldConnect[] = "hold-connect";
inline constexpr char kLabLongestQueuedInput[] = "longest-queued-input-ms";

// How many of the agent's served changes begin so ("lab0 down").
inline int TimesTheLabAgentServed(const std::string& request)
{
    std::ifstream log(LabAgentFolder() + "served.log");
    int times = 0;
    for (std::string line; std::getline(log, line);)
        times += line.rfind(request + " ", 0) == 0;
    return times;
}

// One line of the record for each adapter, tab-separated, in UTF-8.
struct LabRecord {
    // "lab0", "02:11:..", braced, the connection's name, "0001", "Ethernet", "Wi-Fi" or "Tunnel"
    std::string interfaceName, address, adapterId, connectionName, driverKey, driver;
};
inline std::vector<LabRecord> ReadLabRecord(const std::string& path)
{
    std::vector<LabRecord> adapters;
    std::ifstream file(path);
    for (LabRecord a; std::getline(file, a.interfaceName, '\t') && std::getline(file, a.address, '\t') && std::getline(file, a.adapterId, '\t')
         && std::getline(file, a.connectionName, '\t') && std::getline(file, a.driverKey, '\t') && std::getline(file, a.driver);)
        adapters.push_back(a);
    return adapters;
}
