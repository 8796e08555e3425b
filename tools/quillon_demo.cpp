// Makes one change in a running Quillon.exe through its window, for the run command's screenshot:
// selects a connection, types an address and presses "Change MAC".
//
//   quillon_demo.exe INDEX ADDRESS     prints the status line; exit code 0 when it says "Done"
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "quillon_remote.h"
#include "resource.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: quillon_demo.exe INDEX ADDRESS\n");
        return 2;
    }
    HWND window = nullptr;
    if (!WaitUntil([&] { return (window = FindWindowA("#32770", "Quillon")) != nullptr; }, 15000)) {
        std::fprintf(stderr, "quillon_demo: no Quillon window\n");
        return 1;
    }
    Select(window, std::atoi(argv[1]));
    Type(window, IDC_NEW_MAC, argv[2]);
    Click(window, IDC_CHANGE_MAC);
    const std::string status = ControlText(window, IDC_STATUS);
    std::printf("%s\n", status.c_str());
    return status == "Done" ? 0 : 1;
}
