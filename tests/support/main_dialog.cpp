#include "main_dialog.h"

#include "app_globals.h"
#include "main_window.h"
#include "resource.h"

namespace {

INT_PTR CALLBACK InertDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

}  // namespace

HWND CreateMainDialog(bool programProcedure)
{
    g_hInstance = GetModuleHandleA(nullptr);
    g_hMainWnd = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr,
        programProcedure ? MainDlgProc : InertDialogProc, 0);
    return g_hMainWnd;
}
