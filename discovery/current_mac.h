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
// six upper-case groups joined by "-". Leaves the box as it is when the adapter is not found.
void ShowCurrentMac(HWND window, unsigned index);

// The platform's adapter table, read from the system's IP Helper. Tests point this at a double
// to hand over tables that no machine here produces (one that overflows, names that repeat);
// nothing else changes it.
extern decltype(&GetAdaptersInfo) g_getAdaptersInfo;
