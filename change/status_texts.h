// The texts of the main window's status line.
#pragma once

inline constexpr char kStatusClassKeyNotOpened[] = "Failed to open adapter list key";
inline constexpr char kStatusAdapterNotFound[] = "Selected adapter is not found";
inline constexpr char kStatusAccessDenied[] = "Access denied: run as administrator";
inline constexpr char kStatusResetting[] = "Resetting adapter...";
inline constexpr char kStatusDone[] = "Done";
inline constexpr char kStatusAddressNotTaken[] = "The adapter did not take the address";
inline constexpr char kStatusNotBack[] = "The adapter has not come back yet";
inline constexpr char kStatusWriteFailed[] = "Couldn't write NetworkAddress";
inline constexpr char kStatusNetshellNotLoaded[] = "Couldn't load Netshell.dll";
inline constexpr char kStatusFreeFunctionNotLoaded[] = "Couldn't load NcFreeNetconProperties function";
inline constexpr char kStatusRestartFailed[] = "Couldn't restart the connection";
