// A DLL planted beside Quillon.exe under the name of a platform module (IPHLPAPI.dll, Netshell.dll):
// when it is loaded it leaves a mark beside itself, a file named after it with ".loaded" appended.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    char path[MAX_PATH + 8] = {};
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (reason == DLL_PROCESS_ATTACH && length > 0 && length < MAX_PATH) {
        lstrcpyA(path + length, ".loaded");
        CloseHandle(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    return TRUE;
}

// What the program would take from the real modules: nothing that works.
extern "C" __declspec(dllexport) ULONG WINAPI GetAdaptersInfo(void*, ULONG*)
{
    return ERROR_NOT_SUPPORTED;
}
extern "C" __declspec(dllexport) void WINAPI NcFreeNetconProperties(void*) {}
