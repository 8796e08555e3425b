// Registry paths and adapters that the tests of discovery and address change share.
#pragma once

#include <windows.h>

inline const char kNetworkKeyPath[] = "SYSTEM\\CurrentControlSet\\Control\\Network";
// The subkey under which Windows keeps the connections of network adapters.
inline const char kLanSubkey[] = "{4D36E972-E325-11CE-BFC1-08002BE10318}";

// Adapters whose ids test the format: leading zeros in every group, and letters.
inline const GUID kAdapterA = {0x0000000A, 0x0708, 0x000F, {0x09, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xAB}};
inline const char kAdapterIdA[] = "0000000A-0708-000F-0901-0000000000AB";
inline const GUID kAdapterB = {0xABCDEF01, 0xBCDE, 0xCDEF, {0xDE, 0xF0, 0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45}};
inline const char kAdapterIdB[] = "ABCDEF01-BCDE-CDEF-DEF0-ABCDEF012345";
inline const GUID kAdapterC = {0x12345678, 0x9ABC, 0xDEF0, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0}};
inline const char kAdapterIdC[] = "12345678-9ABC-DEF0-1234-56789ABCDEF0";
inline const char kAdapterClassKeyPath[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}";
