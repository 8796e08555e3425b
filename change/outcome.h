// What a step of the Change MAC command came to, and the status line's text for each outcome.
#pragma once

// Done: the step did its part; for the whole command, the adapter shows the address written.
enum class Outcome {
    Done,
    ClassKeyNotOpened,
    AdapterNotFound,
    AccessDenied,  // the adapter's driver key may be read but not written
    WriteFailed,
    NetshellNotLoaded,
    FreeFunctionNotLoaded,
    RestartFailed,
    AddressNotTaken,
    NotBack,
};

// By Outcome, in its order.
inline constexpr const char* kStatusTexts[] = {
    "Done",
    "Failed to open adapter list key",
    "Selected adapter is not found",
    "Access denied: run as administrator",
    "Couldn't write NetworkAddress",
    "Couldn't load Netshell.dll",
    "Couldn't load NcFreeNetconProperties function",
    "Couldn't restart the connection",
    "The adapter did not take the address",
    "The adapter has not come back yet",
};
static_assert(sizeof kStatusTexts / sizeof *kStatusTexts == static_cast<int>(Outcome::NotBack) + 1, "a text for each outcome");

inline const char* StatusText(Outcome outcome)
{
    return kStatusTexts[static_cast<int>(outcome)];
}

// Shown while the connection restarts: progress, not an outcome.
inline constexpr char kStatusResetting[] = "Resetting adapter...";
