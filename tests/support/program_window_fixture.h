// Set-up of the tests that run the program's main window in their own process: COM for the
// thread, the Network key in the registry (emptied), the adapters that the tests name, and the
// main window from the real template.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "registry_scratch.h"
#include "test_adapters.h"

class ProgramWindowTest {
public:
    ProgramWindowTest();
    ~ProgramWindowTest();

    // Creates the main window from the real template. With `mainDlgProc` it is the program's
    // own window (WM_INITDIALOG fills the list and selects); otherwise nothing happens in it.
    HWND CreateMainWindow(bool mainDlgProc);
    HWND Window() const { return window_; }
    HWND List() const;

    // Fills the list of the inert window; balances the CoInitialize that comes with it.
    void Fill();
    std::vector<std::string> Items() const;

    RegistryScratch network{kNetworkKeyPath};

private:
    HWND window_ = nullptr;
    int programComInits_ = 0;
};
