#include "current_mac.h"

#include <cstring>

#include "connection_list.h"
#include "resource.h"
#include "scoped.h"
#include "system_modules.h"
#include "text.h"

namespace {

// Room for 16 adapter records; a longer table is not shown at all.
constexpr ULONG kAdapterTableSize = 11264;
static_assert(kAdapterTableSize == 16 * sizeof(IP_ADAPTER_INFO), "16 records of the 64-bit layout");

// GetAdaptersInfo of the system's IP Helper. IPHLPAPI.DLL is not one of Windows' known DLLs,
// so it is not imported, which would let the loader take a copy from the program's folder.
ULONG WINAPI GetAdaptersInfoOfTheSystem(IP_ADAPTER_INFO* table, ULONG* size)
{
    ScopedModule iphlpapi(LoadSystemModule("iphlpapi.dll"));
    auto getAdaptersInfo = ExportOf<decltype(&GetAdaptersInfo)>(iphlpapi.get(), "GetAdaptersInfo");
    return getAdaptersInfo ? getAdaptersInfo(table, size) : ERROR_NOT_SUPPORTED;
}

// "00-1A-2B-3C-4D-5E": 17 characters and the terminator.
void FormatAddress(const BYTE* address, char (&text)[32])
{
    for (size_t i = 0; i < 6; ++i) {
        WriteHex(text + 3 * i, address[i], 2);
        text[3 * i + 2] = i < 5 ? '-' : '\0';
    }
}

}  // namespace

decltype(&GetAdaptersInfo) g_getAdaptersInfo = GetAdaptersInfoOfTheSystem;

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

void ShowCurrentMac(HWND window, unsigned index)
{
    alignas(IP_ADAPTER_INFO) BYTE table[kAdapterTableSize] = {};
    ULONG size = kAdapterTableSize;
    if (g_getAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(table), &size) != NO_ERROR)
        return;

    char wantedName[260];
    BuildBracedAdapterId(index, wantedName, sizeof wantedName);
    char addressText[32] = {};

    for (const auto* adapter = reinterpret_cast<const IP_ADAPTER_INFO*>(table); adapter; adapter = adapter->Next) {
        // Bounded by both buffers: wantedName always ends within its 260 bytes.
        if (std::strncmp(adapter->AdapterName, wantedName, sizeof adapter->AdapterName) != 0)
            continue;
        FormatAddress(adapter->Address, addressText);
        SetWindowTextA(GetDlgItem(window, IDC_CURRENT_MAC), addressText);
        return;
    }
}
