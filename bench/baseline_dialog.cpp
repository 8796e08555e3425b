// The benchmark's baseline: an empty modeless dialog from Quillon's own main-window template,
// built with the same toolchain and resources, that does nothing else.
#include <windows.h>

#include "resource.h"

namespace {

INT_PTR CALLBACK BaselineDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL)
            DestroyWindow(window);
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(window);
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    HWND window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, BaselineDlgProc, 0);
    if (!window)
        return 0;
    ShowWindow(window, show);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(window, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 0;
}
