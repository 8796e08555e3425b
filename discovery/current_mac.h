// The current hardware address of the selected connection's adapter, shown in IDC_CURRENT_MAC.
#pragma once

#include <windows.h>
#include <winsock2.h>
#include <iphlpapi.h>

// Selects the first connection, if there is one, and shows its address (WM_INITDIALOG).
void SelectFirstConnection(HWND window);

// Shows the address of the selected connection again; does nothing without a selection.
void RefreshCurrentMac(HWND window);

// Reads the adapter table afresh and shows the address of the adapter of item `index` as
// six upper-case groups joined by "-"; empties the box when the adapter is not in the table or
// the table cannot be read.
void ShowCurrentMac(HWND window, unsigned index);

// Reads the adapter table afresh (of any size up to 1 MiB) and gives the first six address
// bytes of the first adapter named exactly `bracedAdapterId`; false when there is none.
bool FindAdapterAddress(const char* bracedAdapterId, BYTE (&address)[6]);

// The platform's adapter table, read from the system's IP Helper. Tests point this at a double
// to hand over tables that no machine here produces (one that overflows, names that repeat);
// nothing else changes it.
extern decltype(&GetAdaptersInfo) g_getAdaptersInfo;
