// Makes one change in a running Quillon.exe, through its window as a user would, for the run
// command's screenshot: selects a connection, types an address, presses "Change MAC".
//
//   quillon_demo.exe INDEX ADDRESS     prints the status line; exit code 0 when it says "Done"
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "quillon_window.h"
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
    const QuillonWindow quillon(window);
    quillon.SelectConnection(index);
    quillon.TypeNewAddress(address);
    quillon.Click(IDC_CHANGE_MAC);
    const std::string status = quillon.Text(IDC_STATUS);
    std::printf("%s\n", status.c_str());
    return status == "Done" ? 0 : 1;
}
