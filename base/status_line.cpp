#include "status_line.h"

#include "resource.h"

HWND g_hMainWnd = nullptr;

void SetStatusText(const char* text)
{
    HWND status = GetDlgItem(g_hMainWnd, IDC_STATUS);
    SetWindowTextA(status, text);
    RedrawWindow(status, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}
