// Restarting a network connection through Netshell's connection manager, so that the
// adapter's driver takes up a new NetworkAddress.
#pragma once

#include "outcome.h"

// Disconnects and reconnects every connection named exactly `connectionName` (narrow text in
// the ANSI code page) or, when none has that name, every connection of the adapter
// `bracedAdapterId`. Done when it restarted them; otherwise Netshell.dll or its function could
// not be loaded, or no connection was restarted. COM must be initialised for the thread.
Outcome RestartConnection(const char* connectionName, const char* bracedAdapterId);
