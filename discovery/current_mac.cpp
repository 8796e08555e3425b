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
// for: machines with virtual adapters (VPN, Hyper-V, containers) have more than 16 records.
static_assert(kAdapterTableStackSize == 16 * sizeof(IP_ADAPTER_INFO), "16 records of the 64-bit layout");
constexpr ULONG kMostAdapterTableBytes = 1u << 20;  // some 1,400 records
// The table may grow between the answer that gives its size and the next read.
constexpr int kAdapterTableReads = 4;

// Reads a table of the IP Helper with `read` (one read into a room of *size bytes, which gives
// the size it needs where that is too small) into `stackTable` (kAdapterTableStackSize bytes) or,
// when it does not fit, into a heap block of the size that the platform asks for, held by
// `heapTable`. Returns the first record, or null when the table cannot be read or is empty.
template <typename Read>
const void* ReadTable(Read read, BYTE* stackTable, ScopedHeapBlock& heapTable)
{
    ULONG size = kAdapterTableStackSize;
    ULONG status = read(stackTable, &size);
    if (status == NO_ERROR)
        return stackTable;
    for (int reads = 1; reads < kAdapterTableReads && status == ERROR_BUFFER_OVERFLOW; ++reads) {
        if (size == 0 || size > kMostAdapterTableBytes)
            return nullptr;
        heapTable.reset(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
        if (!heapTable.get())
            return nullptr;
        status = read(heapTable.get(), &size);
    }
    return status == NO_ERROR ? heapTable.get() : nullptr;
}

// Six bytes or none: a tunnel's record says 0, and a FireWire adapter's 8.
AdapterSeen AddressOfRecord(ULONG length, const BYTE* bytes, BYTE (&address)[6])
{
    if (length != sizeof address)
        return AdapterSeen::WithoutAddress;
    std::memcpy(address, bytes, sizeof address);
    return AdapterSeen::WithAddress;
}

// Exact and case-sensitive; bounded by the record's name, and the wanted name ends within its buffer.
bool IsNamed(const char* adapterName, size_t size, const char* bracedAdapterId)
{
    return std::strncmp(adapterName, bracedAdapterId, size) == 0;
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
// loader take a copy from the program's folder: it is loaded from the system folder. GetAdaptersInfo
// lists only the adapters that have IPv4 bound; one on an IPv6-only network is in the table of
// GetAdaptersAddresses alone, which is read only when the first has not the adapter.
AdapterSeen ReadAdapterAddress(const char* bracedAdapterId, BYTE (&address)[6])
{
    ScopedModule iphlpapi(LoadSystemModule("iphlpapi.dll"));
    alignas(IP_ADAPTER_ADDRESSES) alignas(IP_ADAPTER_INFO) BYTE stackTable[kAdapterTableStackSize] = {};
    const auto getAdaptersInfo = ExportOf<decltype(&GetAdaptersInfo)>(iphlpapi.get(), "GetAdaptersInfo");
    if (getAdaptersInfo) {
        ScopedHeapBlock heapTable;
        const auto read = [getAdaptersInfo](void* room, ULONG* size) { return getAdaptersInfo(static_cast<IP_ADAPTER_INFO*>(room), size); };
        for (auto* adapter = static_cast<const IP_ADAPTER_INFO*>(ReadTable(read, stackTable, heapTable)); adapter; adapter = adapter->Next) {
            if (IsNamed(adapter->AdapterName, sizeof adapter->AdapterName, bracedAdapterId))
                return AddressOfRecord(adapter->AddressLength, adapter->Address, address);
        }
    }
    const auto getAdaptersAddresses = ExportOf<decltype(&GetAdaptersAddresses)>(iphlpapi.get(), "GetAdaptersAddresses");
    if (!getAdaptersAddresses)
        return AdapterSeen::Missing;
    ScopedHeapBlock heapTable;
    const auto read = [getAdaptersAddresses](void* room, ULONG* size) {
        constexpr ULONG kNamesAndHardwareAddressesOnly = GAA_FLAG_SKIP_UNICAST | GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
        return getAdaptersAddresses(AF_UNSPEC, kNamesAndHardwareAddressesOnly, nullptr, static_cast<IP_ADAPTER_ADDRESSES*>(room), size);
    };
    for (auto* adapter = static_cast<const IP_ADAPTER_ADDRESSES*>(ReadTable(read, stackTable, heapTable)); adapter; adapter = adapter->Next) {
        if (adapter->AdapterName && IsNamed(adapter->AdapterName, kBracedAdapterIdSize, bracedAdapterId))
            return AddressOfRecord(adapter->PhysicalAddressLength, adapter->PhysicalAddress, address);
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
