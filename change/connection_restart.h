// Restarting a network connection through Netshell's connection manager, so that the
// adapter's driver takes up a new NetworkAddress.
#pragma once

// Disconnects and reconnects every connection named exactly `connectionName` (narrow text in
// the ANSI code page) or, when none has that name, every connection of the adapter
// `bracedAdapterId`. Returns null when it restarted them, otherwise the failure message that
// it has shown in the status line. COM must be initialised for the thread.
const char* RestartConnection(const char* connectionName, const char* bracedAdapterId);
