#include "adapter_table_double.h"

#include <cstring>

#include "current_mac.h"

namespace {

std::vector<ScriptedAdapter> g_adapters;
int g_reads = 0;
ULONG g_lastSizeOffered = 0;

ULONG WINAPI ScriptedGetAdaptersInfo(IP_ADAPTER_INFO* table, ULONG* size)
{
    ++g_reads;
    g_lastSizeOffered = *size;
    if (g_adapters.empty())
        return ERROR_NO_DATA;
    const ULONG needed = static_cast<ULONG>(g_adapters.size() * sizeof(IP_ADAPTER_INFO));
    if (!table || *size < needed) {
        *size = needed;
        return ERROR_BUFFER_OVERFLOW;
    }
    std::memset(table, 0, needed);
    for (size_t i = 0; i < g_adapters.size(); ++i) {
        IP_ADAPTER_INFO& record = table[i];
        record.Next = i + 1 < g_adapters.size() ? &table[i + 1] : nullptr;
        record.Index = static_cast<DWORD>(i + 1);
        std::strncpy(record.AdapterName, g_adapters[i].name.c_str(), sizeof record.AdapterName - 1);
        std::memcpy(record.Address, g_adapters[i].address.data(), g_adapters[i].address.size());
        record.AddressLength = g_adapters[i].addressLength;
    }
    return NO_ERROR;
}

}  // namespace

AdapterTableDouble::AdapterTableDouble(std::vector<ScriptedAdapter> adapters)
{
    g_adapters = std::move(adapters);
    g_reads = 0;
    g_lastSizeOffered = 0;
    g_getAdaptersInfo = ScriptedGetAdaptersInfo;
}

AdapterTableDouble::~AdapterTableDouble()
{
    g_getAdaptersInfo = GetAdaptersInfo;
    g_adapters.clear();
}

void AdapterTableDouble::SetAdapters(std::vector<ScriptedAdapter> adapters)
{
    g_adapters = std::move(adapters);
}

int AdapterTableDouble::Reads() const
{
    return g_reads;
}

ULONG AdapterTableDouble::LastSizeOffered() const
{
    return g_lastSizeOffered;
}
