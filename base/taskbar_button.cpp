#include "taskbar_button.h"

#include <utility>

#include "platform_facts.h"
#include "status_line.h"
#include "system_modules.h"

namespace {

// Zero until registered; RegisterWindowMessage never gives 0 for a message it registered.
UINT g_taskbarButtonCreated = 0;
bool g_taskbarButtonExists = false;

}  // namespace

void WatchForTaskbarButton(HWND window)
{
    g_taskbarButtonExists = false;
    g_taskbarButtonCreated = RegisterWindowMessageA("TaskbarButtonCreated");
    using ChangeWindowMessageFilterExFn = BOOL(WINAPI*)(HWND, UINT, DWORD, PCHANGEFILTERSTRUCT);
    const auto allow = ExportOf<ChangeWindowMessageFilterExFn>(GetModuleHandleA("user32.dll"), "ChangeWindowMessageFilterEx");
    if (allow && g_taskbarButtonCreated)
        allow(window, g_taskbarButtonCreated, MSGFLT_ALLOW, nullptr);
}

void NoteTaskbarButtonCreated(UINT message)
{
    if (g_taskbarButtonCreated && message == g_taskbarButtonCreated)
        g_taskbarButtonExists = true;
}

// Windows asks a program to call HrInit first, and to use the list only once the button exists.
void RestartOnTaskbar::RestartBegins()
{
    if (std::exchange(restarted_, true) || !g_taskbarButtonExists)
        return;
    if (FAILED(CoCreateInstance(kTaskbarListClass, nullptr, CLSCTX_INPROC_SERVER, kTaskbarList3Interface,
            reinterpret_cast<void**>(taskbar_.GetAddressOf())))
        || !taskbar_ || FAILED(taskbar_->HrInit())) {
        taskbar_.Reset();
        return;
    }
    taskbar_->SetProgressState(g_hMainWnd, TBPF_INDETERMINATE);
}

void RestartOnTaskbar::VerdictShown()
{
    if (!std::exchange(restarted_, false))
        return;
    if (taskbar_)
        taskbar_->SetProgressState(g_hMainWnd, TBPF_NOPROGRESS);
    taskbar_.Reset();
    if (GetForegroundWindow() == g_hMainWnd)
        return;
    FLASHWINFO flash = {sizeof flash, g_hMainWnd, FLASHW_TRAY | FLASHW_TIMERNOFG, 0, 0};
    FlashWindowEx(&flash);
}
