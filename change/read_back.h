// After a restart: whether the adapter shows the address written, read back from the adapter table.
#pragma once

#include "outcome.h"

// Looks at the adapter `bracedAdapterId` in the adapter table at once and then every 100 ms,
// serving the window's sent messages and paint and dropping input in between, until it can tell:
// - Done at the first look that finds the address written (all 12 digits of `addressText`, in
//   either case) or, for the factory address (an empty `addressText`), finds the adapter back;
// - AddressNotTaken at the first look, from 3 s after the restart on, that finds the adapter
//   showing another address, or none (a driver that refuses an address starts with its own, and
//   Connect succeeds all the same);
// - NotBack when it is still not in the table 20 s after the restart (a USB or Wi-Fi adapter may
//   take seconds to be bound again).
Outcome ReadBackAfterRestart(const char* bracedAdapterId, const char* addressText);
