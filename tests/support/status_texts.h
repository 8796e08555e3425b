// The status line's texts as the user reads them, written out letter for letter: every test that
// expects one takes it from here, never from the program.
#pragma once

inline constexpr char kResetting[] = "Resetting adapter...", kDone[] = "Done", kNotFound[] = "Selected adapter is not found",
    kClassKeyNotOpened[] = "Failed to open adapter list key", kAccessDenied[] = "Access denied: run as administrator",
    kWriteFailed[] = "Couldn't write NetworkAddress", kNetshellNotLoaded[] = "Couldn't load Netshell.dll",
    kFreeFunctionNotLoaded[] = "Couldn't load NcFreeNetconProperties function", kRestartFailed[] = "Couldn't restart the connection",
    kNotTaken[] = "The adapter did not take the address", kNotBack[] = "The adapter has not come back yet";
// Every text the status line may show.
inline constexpr const char* kEveryStatusText[] = {kResetting, kDone, kNotFound, kClassKeyNotOpened, kAccessDenied, kWriteFailed,
    kNetshellNotLoaded, kFreeFunctionNotLoaded, kRestartFailed, kNotTaken, kNotBack};
