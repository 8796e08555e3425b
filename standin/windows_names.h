// Windows' names for what Quillon works with, written out from Windows' documentation and headers
// for everything outside the program: the tests, the lab's stand-ins, the benchmark and the remote
// control. The program writes its own (base/platform_facts.h); what it gets wrong is not taken
// over here, so that the tests and the lab catch it.
#pragma once

#include <windows.h>

// The network adapters' device class (GUID_DEVCLASS_NET). Its driver keys lie below the class key
// (Control\Class); the Network key's subkey of the same name holds the connection entries.
#define WINDOWS_ADAPTER_CLASS "{4D36E972-E325-11CE-BFC1-08002bE10318}"
#define WINDOWS_NETWORK_KEY "SYSTEM\\CurrentControlSet\\Control\\Network"
#define WINDOWS_ADAPTER_CLASS_KEY "SYSTEM\\CurrentControlSet\\Control\\Class\\" WINDOWS_ADAPTER_CLASS

inline constexpr char kNetworkKeyPath[] = WINDOWS_NETWORK_KEY;
inline constexpr char kAdapterClassKeyPath[] = WINDOWS_ADAPTER_CLASS_KEY;
inline constexpr char kAdapterClassName[] = WINDOWS_ADAPTER_CLASS;
inline constexpr wchar_t kNetworkKeyPathW[] = L"" WINDOWS_NETWORK_KEY;
inline constexpr wchar_t kAdapterClassKeyPathW[] = L"" WINDOWS_ADAPTER_CLASS_KEY;
inline constexpr wchar_t kAdapterClassNameW[] = L"" WINDOWS_ADAPTER_CLASS;

// netlistmgr.h: CLSID_NetworkListManager, IID_INetworkListManager.
inline constexpr CLSID kNetworkListManagerClass = {0xDCB00C01, 0x570F, 0x4A9B, {0x8D, 0x69, 0x19, 0x9F, 0xDB, 0xA5, 0x72, 0x3B}};
inline constexpr IID kNetworkListManagerInterface = {0xDCB00000, 0x570F, 0x4A9B, {0x8D, 0x69, 0x19, 0x9F, 0xDB, 0xA5, 0x72, 0x3B}};
// netcon.h: CLSID_ConnectionManager, IID_INetConnectionManager, IID_IEnumNetConnection.
inline constexpr CLSID kConnectionManagerClass = {0xBA126AD1, 0x2166, 0x11D1, {0xB1, 0xD0, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
inline constexpr IID kConnectionManagerInterface = {0xC08956A2, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
inline constexpr IID kEnumNetConnectionInterface = {0xC08956A0, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
// oleacc.h: CLSID_AccPropServices, IID_IAccPropServices; UI Automation's LiveSetting_Property_GUID.
inline constexpr CLSID kAccPropServicesClass = {0xB5F8350B, 0x0548, 0x48B1, {0xA6, 0xEE, 0x88, 0xBD, 0x00, 0xB4, 0xA5, 0xE7}};
inline constexpr IID kAccPropServicesInterface = {0x6E26E776, 0x04F0, 0x495D, {0x80, 0xE4, 0x33, 0x30, 0x35, 0x2E, 0x31, 0x69}};
inline constexpr GUID kLiveSettingProperty = {0xC12BCD8E, 0x2A8E, 0x4950, {0x8A, 0xE7, 0x36, 0x25, 0x11, 0x1D, 0x58, 0xEB}};
// shobjidl.h: CLSID_TaskbarList, IID_ITaskbarList3.
inline constexpr CLSID kTaskbarListClass = {0x56FDF344, 0xFD6D, 0x11D0, {0x95, 0x8A, 0x00, 0x60, 0x97, 0xC9, 0xA0, 0x90}};
inline constexpr IID kTaskbarList3Interface = {0xEA1AFB91, 0x9E28, 0x4B86, {0x90, 0xE9, 0x9E, 0x9F, 0x8A, 0x5E, 0xEF, 0xAF}};
