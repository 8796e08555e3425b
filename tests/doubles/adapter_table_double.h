// A double for the IP Helper adapter table: GetAdaptersInfo with a scripted list of adapters,
// laid out as the platform lays it out (a chain of records in the caller's buffer). It is
// installed in the program's g_getAdaptersInfo while the object lives.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

struct ScriptedAdapter {
    std::string name;  // AdapterName, the braced adapter id
    std::array<BYTE, 8> address;
    UINT addressLength = 6;
};

class AdapterTableDouble {
public:
    explicit AdapterTableDouble(std::vector<ScriptedAdapter> adapters = {});
    ~AdapterTableDouble();
    AdapterTableDouble(const AdapterTableDouble&) = delete;
    AdapterTableDouble& operator=(const AdapterTableDouble&) = delete;

    void SetAdapters(std::vector<ScriptedAdapter> adapters);
    int Reads() const;
    // The buffer size passed by the last read.
    ULONG LastSizeOffered() const;
};
