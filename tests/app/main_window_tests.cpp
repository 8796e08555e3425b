// The main window created in this process from the real template and MainDlgProc, so that
// its icons, system menu and dialog-procedure results can be read directly.
#include <gtest/gtest.h>

#include <windows.h>

#include "app_globals.h"
#include "main_window.h"
#include "resource.h"

namespace {

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_hInstance = GetModuleHandleA(nullptr);
        window_ = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDlgProc, 0);
        ASSERT_NE(window_, nullptr);
        g_hMainWnd = window_;
    }
    void TearDown() override
    {
        if (IsWindow(window_))
            DestroyWindow(window_);
        DrainQuitMessage();
        g_hMainWnd = nullptr;
    }
    static void DrainQuitMessage()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    HWND window_ = nullptr;
};

TEST_F(MainWindow, SetsItsIconsAtInitialisation)
{
    EXPECT_NE(g_hIconSmall, nullptr);
    EXPECT_NE(g_hIconLarge, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(window_, WM_GETICON, ICON_SMALL, 0)), g_hIconSmall);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(window_, WM_GETICON, ICON_BIG, 0)), g_hIconLarge);
}

TEST_F(MainWindow, SystemMenuEndsWithASeparatorAndTheAboutItem)
{
    HMENU menu = GetSystemMenu(window_, FALSE);
    ASSERT_NE(menu, nullptr);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);

    MENUITEMINFOA separator = {};
    separator.cbSize = sizeof separator;
    separator.fMask = MIIM_FTYPE | MIIM_ID;
    ASSERT_TRUE(GetMenuItemInfoA(menu, count - 2, TRUE, &separator));
    EXPECT_TRUE(separator.fType & MFT_SEPARATOR);

    char text[64] = {};
    MENUITEMINFOA about = {};
    about.cbSize = sizeof about;
    about.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
    about.dwTypeData = text;
    about.cch = sizeof text;
    ASSERT_TRUE(GetMenuItemInfoA(menu, count - 1, TRUE, &about));
    EXPECT_EQ(about.fType & MFT_SEPARATOR, 0u);
    EXPECT_EQ(about.wID, static_cast<UINT>(IDM_ABOUT));
    EXPECT_STREQ(text, "About Quillon...");
}

TEST_F(MainWindow, DialogProcedureResultsFollowItsTable)
{
    // Commands that do nothing, or whose work is their own handler's, return FALSE.
    for (int id : {IDOK, IDC_CURRENT_MAC, IDC_NEW_MAC, IDC_FACTORY_DEFAULT, 4242})
        EXPECT_EQ(MainDlgProc(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0), FALSE) << "command " << id;
    EXPECT_EQ(MainDlgProc(window_, WM_COMMAND, MAKEWPARAM(IDC_CONNECTION, CBN_DROPDOWN), 0), FALSE);
    // Every system command goes on to the platform's default handling.
    EXPECT_EQ(MainDlgProc(window_, WM_SYSCOMMAND, SC_KEYMENU, 0), FALSE);
    EXPECT_EQ(MainDlgProc(window_, WM_SIZE, 0, 0), FALSE);
    EXPECT_TRUE(IsWindow(window_));

    // IDCANCEL closes: WM_CLOSE destroys the window and WM_DESTROY posts the quit message with 0.
    EXPECT_EQ(MainDlgProc(window_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0), TRUE);
    EXPECT_FALSE(IsWindow(window_));
    MSG msg = {};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
}

TEST_F(MainWindow, StatusTextGoesToTheStatusLineOfTheMainWindow)
{
    SetStatusText("Resetting adapter...");
    char text[64] = {};
    GetDlgItemTextA(window_, IDC_STATUS, text, sizeof text);
    EXPECT_STREQ(text, "Resetting adapter...");
}

}  // namespace
