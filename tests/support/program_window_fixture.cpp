#include "program_window_fixture.h"

#include <objbase.h>

#include "app_globals.h"
#include "connection_list.h"
#include "main_dialog.h"
#include "resource.h"

ProgramWindowTest::ProgramWindowTest()
{
    CoInitialize(nullptr);
    AdapterIdList.clear();
}

ProgramWindowTest::~ProgramWindowTest()
{
    if (window_)
        DestroyWindow(window_);
    g_hMainWnd = nullptr;
    AdapterIdList.clear();
    for (; programComInits_ > 0; --programComInits_)
        CoUninitialize();
    CoUninitialize();
}

HWND ProgramWindowTest::CreateMainWindow(bool mainDlgProc)
{
    window_ = CreateMainDialog(mainDlgProc);
    if (mainDlgProc)
        ++programComInits_;  // FillConnectionList ran inside the creation
    return window_;
}

HWND ProgramWindowTest::List() const
{
    return GetDlgItem(window_, IDC_CONNECTION);
}

void ProgramWindowTest::Fill()
{
    FillConnectionList(window_);
    ++programComInits_;
}

std::vector<std::string> ProgramWindowTest::Items() const
{
    std::vector<std::string> items;
    const LRESULT count = SendMessageA(List(), CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[512] = {};
        if (SendMessageA(List(), CB_GETLBTEXTLEN, i, 0) >= static_cast<LRESULT>(sizeof text))
            break;
        SendMessageA(List(), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}
