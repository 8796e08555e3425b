// A Netshell.dll double that lies next to the test executables: its NcFreeNetconProperties
// records every properties block it is given (the blocks belong to the connection-manager
// double), so that a test can see each block freed exactly once. Built once more without
// that export, to stand for a Netshell.dll that lacks it.
#include <windows.h>

#include <vector>

namespace {

std::vector<const void*> g_freedBlocks;

}  // namespace

extern "C" {

#ifndef NETSHELL_DOUBLE_WITHOUT_FREE
__declspec(dllexport) void WINAPI NcFreeNetconProperties(void* properties)
{
    g_freedBlocks.push_back(properties);
}
#endif

__declspec(dllexport) int NetshellDouble_FreedCount()
{
    return static_cast<int>(g_freedBlocks.size());
}

__declspec(dllexport) const void* NetshellDouble_Freed(int index)
{
    return g_freedBlocks.at(static_cast<size_t>(index));
}

__declspec(dllexport) void NetshellDouble_Reset()
{
    g_freedBlocks.clear();
}

}  // extern "C"
