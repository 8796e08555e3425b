// The Change MAC command: writes the driver's NetworkAddress override for the selected
// adapter and restarts its connection.
#pragma once

#include <windows.h>

// The command behind "Change MAC", on the main window.
void RunChangeMacCommand(HWND window);

// Writes `addressText` (an address text, or empty for the factory address) as NetworkAddress
// in every driver key whose NetCfgInstanceId is exactly `bracedAdapterId`, restarts the
// connection `connectionName` after each write, reports in the status line, and has the
// main window show the address now in effect.
void ApplyNetworkAddress(const char* connectionName, const char* bracedAdapterId, const char* addressText);

// The registry write of NetworkAddress. Tests point it at a double to make the write fail,
// which Wine's registry cannot be made to do; nothing else changes it.
extern decltype(&RegSetValueExA) g_regSetValueExA;
