// Makes one change in a running Quillon.exe, through its window as a user would, for the run
// command's screenshot: selects a connection, types an address, presses "Change MAC".
//
//   quillon_demo.exe INDEX ADDRESS     prints the status line; exit code 0 when it says "Done"
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "resource.h"
#include "window_probe.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: quillon_demo.exe INDEX ADDRESS\n");
        return 2;
    }
    const int index = std::atoi(argv[1]);
    const std::string address = argv[2];

    HWND window = nullptr;
    if (!WaitUntil([&] { return (window = FindWindowA("#32770", "Quillon")) != nullptr; }, 15000)) {
        std::fprintf(stderr, "quillon_demo: no Quillon window\n");
        return 1;
    }
    HWND list = GetDlgItem(window, IDC_CONNECTION);
    PressKey(list, VK_HOME);
    for (int i = 0; i < index; ++i)
        PressKey(list, VK_DOWN);
    WaitUntil([&] { return ComboSelection(list) == index; }, 5000);

    HWND edit = GetDlgItem(window, IDC_NEW_MAC);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    PostMessageA(edit, WM_CHAR, VK_BACK, 0);
    for (char c : address)
        PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
    WaitUntil([&] { return ControlText(window, IDC_NEW_MAC) == address; }, 5000);

    DWORD_PTR result = 0;
    SendMessageTimeoutA(GetDlgItem(window, IDC_CHANGE_MAC), BM_CLICK, 0, 0, SMTO_NORMAL, 60000, &result);
    const std::string status = ControlText(window, IDC_STATUS);
    std::printf("%s\n", status.c_str());
    return status == "Done" ? 0 : 1;
}
