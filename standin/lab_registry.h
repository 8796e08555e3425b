// Where the lab keeps what the stand-in Netshell.dll plays the driver with: for each lab
// adapter, its Linux interface and the address it had when the lab was made.
#pragma once

#include "windows_names.h"

// HKEY_LOCAL_MACHINE; one subkey per adapter, named by its braced adapter id.
inline const wchar_t kLabAdaptersKey[] = L"SOFTWARE\\Quillon Lab\\Adapters";
inline const wchar_t kLabInterfaceValue[] = L"Interface";
inline const wchar_t kLabPermanentAddressValue[] = L"PermanentAddress";  // "02:11:22:33:44:55"
// "Ethernet", "Wi-Fi" for a driver that ignores an address without the locally administered bit,
// or "Tunnel" for a VPN's tun device, which has no hardware address.
inline const wchar_t kLabDriverValue[] = L"Driver";
inline const wchar_t kLabEthernetDriver[] = L"Ethernet";
inline const wchar_t kLabWifiDriver[] = L"Wi-Fi";
inline const wchar_t kLabTunnelDriver[] = L"Tunnel";
// HKEY_LOCAL_MACHINE: the folder where the lab's agent takes requests (tools/lab-agent.sh), as
// Windows names it.
inline const wchar_t kLabKey[] = L"SOFTWARE\\Quillon Lab";
inline const wchar_t kLabAgentFolderValue[] = L"AgentFolder";
