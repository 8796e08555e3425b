// Netshell.dll for the tests, put into the prefix's system folder while they run: its
// NcFreeNetconProperties counts each free of a block in the block's dwCharacter, which the
// connection-manager fake checks.
#include <windows.h>
#include <netcon.h>

extern "C" __declspec(dllexport) void WINAPI NcFreeNetconProperties(NETCON_PROPERTIES* properties)
{
    ++properties->dwCharacter;
}
