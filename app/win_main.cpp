// Process entry: prepares the process, creates the main window and pumps messages.
#include <windows.h>
#include <commctrl.h>

#include "app_globals.h"
#include "main_window.h"
#include "resource.h"
#include "status_line.h"
#include "system_modules.h"

namespace {

// SetProcessDPIAware exists from Windows Vista on; look it up rather than import it.
void EnableDpiAwareness()
{
    using SetProcessDpiAwareFn = BOOL(WINAPI*)();
    auto setProcessDpiAware = ExportOf<SetProcessDpiAwareFn>(GetModuleHandleA("user32.dll"), "SetProcessDPIAware");
    if (setProcessDpiAware)
        setProcessDpiAware();
}

int RunMessageLoop()
{
    MSG msg;
    for (;;) {
        BOOL result = GetMessageA(&msg, nullptr, 0, 0);
        if (result == 0)
            return static_cast<int>(msg.wParam);
        if (result == -1)
            return -1;
        if (IsDialogMessageA(g_hMainWnd, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPSTR /*lpCmdLine*/, int nCmdShow)
{
    g_hInstance = hInstance;
    RestrictDllSearchToSystemFolder();
    InitCommonControls();
    EnableDpiAwareness();

    g_hMainWnd = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDlgProc, 0);
    if (!g_hMainWnd)
        return 0;

    ShowWindow(g_hMainWnd, nCmdShow);
    return RunMessageLoop();
}
