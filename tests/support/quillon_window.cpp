#include "quillon_window.h"

#include "resource.h"
#include "window_probe.h"

std::string QuillonWindow::Text(int id) const
{
    return ControlText(window_, id);
}

bool QuillonWindow::SelectConnection(int index) const
{
    HWND list = Control(IDC_CONNECTION);
    PressKey(list, VK_HOME);
    for (int i = 0; i < index; ++i)
        PressKey(list, VK_DOWN);
    return WaitUntil([&] { return ComboSelection(list) == index; }, 5000);
}

bool QuillonWindow::TypeNewAddress(const std::string& text) const
{
    HWND edit = Control(IDC_NEW_MAC);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    PostMessageA(edit, WM_CHAR, VK_BACK, 0);
    for (char c : text)
        PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
    return WaitUntil([&] { return Text(IDC_NEW_MAC) == text; }, 5000);
}

bool QuillonWindow::Click(int id) const
{
    // The button handles BM_CLICK by sending its command to the window, inside this call.
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(Control(id), BM_CLICK, 0, 0, SMTO_NORMAL, 60000, &result) != 0;
}
