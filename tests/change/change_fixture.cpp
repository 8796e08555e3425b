#include "change_fixture.h"

#include <objbase.h>

#include "app_globals.h"
#include "main_dialog.h"
#include "resource.h"

NetshellDoubleHold::NetshellDoubleHold()
{
    Load();
}

NetshellDoubleHold::~NetshellDoubleHold()
{
    if (module_)
        FreeLibrary(module_);
}

void NetshellDoubleHold::Load()
{
    module_ = LoadLibraryA("Netshell.dll");
    if (!module_)
        return;
    auto reset = reinterpret_cast<void (*)()>(reinterpret_cast<void*>(GetProcAddress(module_, "NetshellDouble_Reset")));
    if (reset)
        reset();
}

std::vector<const void*> NetshellDoubleHold::Freed() const
{
    std::vector<const void*> freed;
    if (!module_)
        return freed;
    auto count = reinterpret_cast<int (*)()>(reinterpret_cast<void*>(GetProcAddress(module_, "NetshellDouble_FreedCount")));
    auto block = reinterpret_cast<const void* (*)(int)>(reinterpret_cast<void*>(GetProcAddress(module_, "NetshellDouble_Freed")));
    for (int i = 0; count && block && i < count(); ++i)
        freed.push_back(block(i));
    return freed;
}

bool NetshellDoubleHold::ProgramReleasedIt()
{
    if (!module_)
        return GetModuleHandleA("Netshell.dll") == nullptr;
    FreeLibrary(module_);
    const bool unloaded = GetModuleHandleA("Netshell.dll") == nullptr;
    Load();
    return unloaded;
}

namespace {

// One spy at a time: the status control's own procedure and what it was given.
WNDPROC g_statusProcedure = nullptr;
std::vector<std::string> g_statusTexts;

LRESULT CALLBACK SpyOnStatus(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT)
        g_statusTexts.push_back(lParam ? reinterpret_cast<const char*>(lParam) : "");
    return CallWindowProcA(g_statusProcedure, window, message, wParam, lParam);
}

}  // namespace

StatusSpy::StatusSpy(HWND statusControl) : control_(statusControl)
{
    g_statusTexts.clear();
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SpyOnStatus)));
    g_statusProcedure = original_;
}

StatusSpy::~StatusSpy()
{
    if (IsWindow(control_))
        SetWindowLongPtrA(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
}

const std::vector<std::string>& StatusSpy::Texts() const
{
    return g_statusTexts;
}

void StatusLineTest::SetUp()
{
    CoInitialize(nullptr);
    ASSERT_NE(CreateMainDialog(false), nullptr);
    status_ = std::make_unique<StatusSpy>(GetDlgItem(g_hMainWnd, IDC_STATUS));
}

void StatusLineTest::TearDown()
{
    status_.reset();
    DestroyWindow(g_hMainWnd);
    CoUninitialize();
}
