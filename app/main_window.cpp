#include "main_window.h"

#include "about_box.h"
#include "app_globals.h"
#include "busy_thread.h"
#include "com_apartment.h"
#include "connection_list.h"
#include "current_mac.h"
#include "input_filter.h"
#include "mac_text.h"
#include "network_address.h"
#include "resource.h"
#include "taskbar_button.h"

namespace {

// While Change MAC runs, the thread's sent messages and paint are served (COM does so while the
// connections service, another process, restarts the connection; the program does so while it
// reads the address back), so a close, a second press or a log-off may arrive in the middle of
// the command. A close then waits until the command has returned: the window and COM stay until
// nothing uses them any more. A second press is not run inside the first. A log-off is refused,
// lest it leave the adapter disconnected. Input is dropped as it arrives, and the pointer over the
// window is busy meanwhile.
bool g_changeRunning = false;
bool g_closeAsked = false;
ComApartment g_apartment;

void SetWindowIcons(HWND window)
{
    g_hIconSmall = LoadIconA(g_hInstance, MAKEINTRESOURCEA(IDI_APP_SMALL));
    if (g_hIconSmall)
        SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(g_hIconSmall));
    g_hIconLarge = LoadIconA(g_hInstance, MAKEINTRESOURCEA(IDI_APP_LARGE));
    if (g_hIconLarge)
        SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(g_hIconLarge));
}

// A screen reader names a field that has no caption of its own by the static text before it in
// the window order; the template has each label after its field. Each goes just before its field
// instead, which leaves the Tab order of the fields, none of the labels being a tab stop.
void PlaceLabelsBeforeTheirFields(HWND window)
{
    constexpr int kLabelledFields[] = {IDC_CONNECTION, IDC_CURRENT_MAC, IDC_NEW_MAC};
    for (const int field : kLabelledFields) {
        HWND control = GetDlgItem(window, field);
        SetWindowPos(GetWindow(control, GW_HWNDNEXT), GetWindow(control, GW_HWNDPREV), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void OnInitDialog(HWND window)
{
    PlaceLabelsBeforeTheirFields(window);
    SetWindowIcons(window);
    WatchForTaskbarButton(window);
    AddAboutMenuItem(window);
    g_apartment.Enter();  // for the Network List Manager now, and Netshell's connections later
    FillConnectionList(window);
    SelectFirstConnection(window);
}

// The box is already toggled when the click arrives.
void OnFactoryDefaultClicked(HWND window)
{
    const bool ticked = IsDlgButtonChecked(window, IDC_FACTORY_DEFAULT) != 0;
    EnableWindow(GetDlgItem(window, IDC_NEW_MAC), ticked ? FALSE : TRUE);
}

void OnChangeMac(HWND window)
{
    if (g_changeRunning)
        return;
    g_changeRunning = true;
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));  // at once, not at the next move of the mouse
    // What Windows shows beside the program when a log-off waits for it.
    ShutdownBlockReasonCreate(window, L"Restarting a network connection");
    {
        ScopedInputFilter filter;
        RunChangeMacCommand(window);
    }
    // Nothing asked of the frozen window runs now that it thaws, but the close.
    DropInput();
    DropPostedPresses(window);
    ShutdownBlockReasonDestroy(window);
    g_changeRunning = false;
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    if (g_closeAsked) {
        g_closeAsked = false;
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
}

void OnClose(HWND window)
{
    if (g_changeRunning) {
        g_closeAsked = true;
        return;
    }
    g_apartment.Leave();
    DestroyWindow(window);
}

INT_PTR OnCommand(HWND window, int id, int notification)
{
    switch (id) {
    case IDCANCEL:
        SendMessageA(window, WM_CLOSE, 0, 0);
        return TRUE;
    case IDC_CONNECTION:
        if (notification == CBN_SELCHANGE)
            RefreshCurrentMac(window);
        return FALSE;
    case IDC_REFRESH:  // also sent, with code 0, after a change of address
        RefreshCurrentMac(window);
        return FALSE;
    case IDC_GENERATE:
        ShowGeneratedMac(window);
        return FALSE;
    case IDC_CHANGE_MAC:
        OnChangeMac(window);
        return FALSE;
    case IDC_FACTORY_DEFAULT:
        OnFactoryDefaultClicked(window);
        return FALSE;
    default:
        return FALSE;  // IDOK among them: Enter with no push button focused does nothing
    }
}

}  // namespace

INT_PTR CALLBACK MainDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(window);
        return TRUE;  // the dialog manager focuses the first tab stop, "Close"
    case WM_COMMAND:
        return OnCommand(window, LOWORD(wParam), HIWORD(wParam));
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUT)
            ShowAboutBox(window);
        return FALSE;  // the platform's default handling runs for every system command
    case WM_SETCURSOR:  // the window's and each control's, whenever mouse input over them is retrieved
        if (!g_changeRunning)
            return FALSE;
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_QUERYENDSESSION:
        if (!g_changeRunning)
            return FALSE;  // the platform's answer: yes
        SetWindowLongPtrA(window, DWLP_MSGRESULT, FALSE);
        return TRUE;
    case WM_CLOSE:
        OnClose(window);
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    default:
        NoteTaskbarButtonCreated(message);
        return FALSE;
    }
}
