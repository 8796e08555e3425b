// The current hardware address of the selected connection's adapter, shown in IDC_CURRENT_MAC.
#pragma once

#include <windows.h>

// Selects the first connection, if there is one, and shows its address (WM_INITDIALOG).
void SelectFirstConnection(HWND window);

// Shows the address of the selected connection again; does nothing without a selection.
void RefreshCurrentMac(HWND window);

// Reads the adapter table afresh and shows the address of the adapter of item `index` as
// six upper-case groups joined by "-"; empties the box when the adapter is not in the table, has
// no hardware address of six bytes, or the table cannot be read.
void ShowCurrentMac(HWND window, unsigned index);

// What the adapter tables show of one adapter.
enum class AdapterSeen {
    Missing,         // not in the table: gone, not yet bound again after a restart, or no table
    WithoutAddress,  // there, but without a hardware address of six bytes (a VPN tunnel has none)
    WithAddress,     // there, with its six address bytes
};

// The adapter table's first read goes into this many bytes on the stack: room for 16 records.
constexpr unsigned long kAdapterTableStackSize = 11264;

// Reads the adapter table afresh (of any size up to 1 MiB) and finds the first adapter named
// exactly `bracedAdapterId` (in GetAdaptersInfo's table, or else in GetAdaptersAddresses', which
// also lists adapters without IPv4); its address goes into `address` when it has one of six bytes.
AdapterSeen ReadAdapterAddress(const char* bracedAdapterId, BYTE (&address)[6]);
