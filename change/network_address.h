// The Change MAC command: writes the driver's NetworkAddress override for the selected
// adapter and restarts its connection.
#pragma once

#include <windows.h>

// The command behind "Change MAC", on the main window.
void RunChangeMacCommand(HWND window);

// Writes `addressText` (an address text, or empty for the factory address) as NetworkAddress
// in every driver key whose NetCfgInstanceId is exactly `bracedAdapterId`, restarts the
// connection `connectionName` after each write and reads the address back, shows each step and
// outcome in the status line, and has the main window show the address now in effect.
void ApplyNetworkAddress(const char* connectionName, const char* bracedAdapterId, const char* addressText);
