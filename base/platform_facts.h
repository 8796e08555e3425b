// The names and ids that Windows gives what Quillon works with, as the program writes them.
#pragma once

#include <windows.h>

// The network adapters' device class. Its driver keys lie below the class key; the Network
// key's subkey of the same name holds the adapters' connection entries. (Windows writes the
// class key with a lower-case "b"; the registry compares names in either case.)
#define QUILLON_ADAPTER_CLASS "{4D36E972-E325-11CE-BFC1-08002bE10318}"
#define QUILLON_NETWORK_KEY "SYSTEM\\CurrentControlSet\\Control\\Network"
#define QUILLON_ADAPTER_CLASS_KEY "SYSTEM\\CurrentControlSet\\Control\\Class\\" QUILLON_ADAPTER_CLASS

inline constexpr char kNetworkKeyPath[] = QUILLON_NETWORK_KEY;
inline constexpr char kAdapterClassKeyPath[] = QUILLON_ADAPTER_CLASS_KEY;
inline constexpr char kAdapterClassName[] = QUILLON_ADAPTER_CLASS;

// The Network List Manager. Its ids are written here rather than taken from MinGW's uuid
// library, which brings in every id it knows.
inline constexpr CLSID kNetworkListManagerClass = {0xDCB00C01, 0x570F, 0x4A9B, {0x8D, 0x69, 0x19, 0x9F, 0xDB, 0xA5, 0x72, 0x3B}};
inline constexpr IID kNetworkListManagerInterface = {0xDCB00000, 0x570F, 0x4A9B, {0x8D, 0x69, 0x19, 0x9F, 0xDB, 0xA5, 0x72, 0x3B}};
// Netshell's connection manager (CLSID_ConnectionManager) and its interfaces.
inline constexpr CLSID kConnectionManagerClass = {0xBA126AD1, 0x2166, 0x11D1, {0xB1, 0xD0, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
inline constexpr IID kConnectionManagerInterface = {0xC08956A2, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
inline constexpr IID kEnumNetConnectionInterface = {0xC08956A0, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
// Dynamic Annotation's property services of the accessibility layer, and the live-region property
// (UI Automation's LiveSetting) that they set on a window.
inline constexpr CLSID kAccPropServicesClass = {0xB5F8350B, 0x0548, 0x48B1, {0xA6, 0xEE, 0x88, 0xBD, 0x00, 0xB4, 0xA5, 0xE7}};
inline constexpr IID kAccPropServicesInterface = {0x6E26E776, 0x04F0, 0x495D, {0x80, 0xE4, 0x33, 0x30, 0x35, 0x2E, 0x31, 0x69}};
inline constexpr GUID kLiveSettingProperty = {0xC12BCD8E, 0x2A8E, 0x4950, {0x8A, 0xE7, 0x36, 0x25, 0x11, 0x1D, 0x58, 0xEB}};
// The taskbar's list of buttons (CLSID_TaskbarList), and its interface with progress (IID_ITaskbarList3).
inline constexpr CLSID kTaskbarListClass = {0x56FDF344, 0xFD6D, 0x11D0, {0x95, 0x8A, 0x00, 0x60, 0x97, 0xC9, 0xA0, 0x90}};
inline constexpr IID kTaskbarList3Interface = {0xEA1AFB91, 0x9E28, 0x4B86, {0x90, 0xE9, 0x9E, 0x9F, 0x8A, 0x5E, 0xEF, 0xAF}};
