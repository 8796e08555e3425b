#include "current_mac.h"

#include <winsock2.h>
#include <iphlpapi.h>

#include <cstring>

#include "connection_list.h"
#include "resource.h"
#include "scoped.h"
#include "system_modules.h"

namespace {

// A table longer than the stack's room is read again into a block of the size the platform asks
// for: machines with virtual adapters (VPN, Hyper-V, containers) have more than 16.
static_assert(kAdapterTableStackSize == 16 * sizeof(IP_ADAPTER_INFO), "16 records of the 64-bit layout");
constexpr ULONG kMostAdapterTableBytes = 1u << 20;  // some 1,400 records
// The table may grow between the answer that gives its size and the next read.
constexpr int kAdapterTableReads = 4;

// Reads the adapter table with the IP Helper's GetAdaptersInfo into `stackTable`
// (kAdapterTableStackSize bytes) or, when it does not fit, into a heap block of the size that
// the platform asks for, held by `heapTable`. Returns the first record, or null when the table
// cannot be read or is empty.
const IP_ADAPTER_INFO* ReadAdapterTable(decltype(&GetAdaptersInfo) getAdaptersInfo, BYTE* stackTable, ScopedHeapBlock& heapTable)
{
    if (!getAdaptersInfo)
        return nullptr;
    ULONG size = kAdapterTableStackSize;
    ULONG status = getAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(stackTable), &size);
    if (status == NO_ERROR)
        return reinterpret_cast<const IP_ADAPTER_INFO*>(stackTable);
    for (int read = 1; read < kAdapterTableReads && status == ERROR_BUFFER_OVERFLOW; ++read) {
        if (size == 0 || size > kMostAdapterTableBytes)
            return nullptr;
        heapTable.reset(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
        if (!heapTable.get())
            return nullptr;
        status = getAdaptersInfo(static_cast<IP_ADAPTER_INFO*>(heapTable.get()), &size);
    }
    return status == NO_ERROR ? static_cast<const IP_ADAPTER_INFO*>(heapTable.get()) : nullptr;
}

// "00-1A-2B-3C-4D-5E": 17 characters and the terminator.
void FormatAddress(const BYTE* address, char (&text)[32])
{
    const BYTE* a = address;
    wsprintfA(text, "%02X-%02X-%02X-%02X-%02X-%02X", a[0], a[1], a[2], a[3], a[4], a[5]);
}

}  // namespace

void SelectFirstConnection(HWND window)
{
    HWND list = GetDlgItem(window, IDC_CONNECTION);
    const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    if (count <= 0)  // empty, or CB_ERR
        return;
    // Setting the selection raises no CBN_SELCHANGE, hence the explicit call.
    SendMessageA(list, CB_SETCURSEL, 0, 0);
    ShowCurrentMac(window, 0);
}

void RefreshCurrentMac(HWND window)
{
    const LRESULT selection = SendMessageA(GetDlgItem(window, IDC_CONNECTION), CB_GETCURSEL, 0, 0);
    if (selection == CB_ERR)
        return;
    ShowCurrentMac(window, static_cast<unsigned>(selection));
}

// IPHLPAPI.DLL is not one of Windows' known DLLs, so it is not imported, which would let the
// loader take a copy from the program's folder: it is loaded from the system folder.
AdapterSeen ReadAdapterAddress(const char* bracedAdapterId, BYTE (&address)[6])
{
    ScopedModule iphlpapi(LoadSystemModule("iphlpapi.dll"));
    alignas(IP_ADAPTER_INFO) BYTE stackTable[kAdapterTableStackSize] = {};
    ScopedHeapBlock heapTable;
    const auto getAdaptersInfo = ExportOf<decltype(&GetAdaptersInfo)>(iphlpapi.get(), "GetAdaptersInfo");
    for (const IP_ADAPTER_INFO* adapter = ReadAdapterTable(getAdaptersInfo, stackTable, heapTable); adapter; adapter = adapter->Next) {
        // Exact and case-sensitive; bounded by the record's field, and the wanted name ends
        // within its own buffer.
        if (std::strncmp(adapter->AdapterName, bracedAdapterId, sizeof adapter->AdapterName) != 0)
            continue;
        // Six bytes or none: a tunnel's record says 0, and its Address holds nothing to show.
        if (adapter->AddressLength != sizeof address)
            return AdapterSeen::WithoutAddress;
        std::memcpy(address, adapter->Address, sizeof address);
        return AdapterSeen::WithAddress;
    }
    return AdapterSeen::Missing;
}

void ShowCurrentMac(HWND window, unsigned index)
{
    char wantedName[kBracedAdapterIdSize];
    BuildBracedAdapterId(index, wantedName);
    // Empty when the adapter is not in the table or has no hardware address: never the previous
    // connection's address under this connection's name, nor an address that does not exist.
    char addressText[32] = {};
    BYTE address[6];
    if (ReadAdapterAddress(wantedName, address) == AdapterSeen::WithAddress)
        FormatAddress(address, addressText);
    SetWindowTextA(GetDlgItem(window, IDC_CURRENT_MAC), addressText);
}
