#include "import_table.h"

#include <map>
#include <utility>

#include "status_line.h"

// By the address of its datum: a function's address here would be the test's own import stub.
HMODULE ProgramModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&g_hMainWnd), &module);
    return module;
}

std::vector<Import> Imports()
{
    auto* base = reinterpret_cast<BYTE*>(ProgramModule());
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    std::vector<Import> found;
    for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports); dll->Name; ++dll) {
        auto* slot = reinterpret_cast<void**>(base + dll->FirstThunk);
        for (auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk); name->u1.AddressOfData; ++name, ++slot) {
            if (!IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal))
                found.push_back({reinterpret_cast<const char*>(base + dll->Name),
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name, slot});
        }
    }
    return found;
}

void** ImportSlot(const char* function)
{
    DWORD protection = 0;
    for (const Import& import : Imports()) {
        if (import.function == function)
            return VirtualProtect(import.slot, sizeof *import.slot, PAGE_READWRITE, &protection) ? import.slot : nullptr;
    }
    return nullptr;
}

void* PatchImport(const char* function, void* replacement)
{
    void** slot = ImportSlot(function);
    return slot ? std::exchange(*slot, replacement) : nullptr;
}

namespace {

std::map<std::string, void*> g_exports;

FARPROC WINAPI ExportOfTheTest(HMODULE module, LPCSTR name)
{
    const auto slot = HIWORD(name) ? g_exports.find(name) : g_exports.end();
    return slot != g_exports.end() && slot->second ? reinterpret_cast<FARPROC>(slot->second) : GetProcAddress(module, name);
}

DWORD WINAPI VirtualTickCount()
{
    return VirtualClock::now;
}

DWORD WINAPI VirtualWait(DWORD count, const HANDLE*, BOOL, DWORD ms, DWORD wakeMask)
{
    VirtualClock::wakeMasks |= wakeMask;
    const bool sent = (wakeMask & QS_SENDMESSAGE) && VirtualClock::sentStream > 0 && VirtualClock::sentStream--;
    const bool woken = sent || (LOWORD(GetQueueStatus(wakeMask)) & wakeMask) != 0;  // the low word: what arrived since
    VirtualClock::now += woken ? 1 : ms;
    return woken ? WAIT_OBJECT_0 + count : WAIT_TIMEOUT;
}

}  // namespace

void** ExportSlot(const char* name)
{
    [[maybe_unused]] static const bool installed = PatchImport("GetProcAddress", reinterpret_cast<void*>(ExportOfTheTest));
    return &g_exports[name];
}

void VirtualClock::Install()
{
    [[maybe_unused]] static const bool installed = PatchImport("GetTickCount", reinterpret_cast<void*>(VirtualTickCount))
        && PatchImport("MsgWaitForMultipleObjects", reinterpret_cast<void*>(VirtualWait));
}
