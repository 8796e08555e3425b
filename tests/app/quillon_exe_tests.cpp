// The real Quillon.exe, started as its own process under Wine and worked from outside
// through its windows: start-up, the ways of closing, the check box and the About box.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "quillon_process.h"
#include "resource.h"
#include "window_probe.h"

namespace {

constexpr DWORD kExitTimeoutMs = 10000;

// Posts Tab to the focused control until the focus is on `controlId`; false if it never gets there.
bool TabTo(HWND mainWindow, int controlId)
{
    const DWORD thread = GetWindowThreadProcessId(mainWindow, nullptr);
    HWND target = GetDlgItem(mainWindow, controlId);
    for (int presses = 0; presses < 13; ++presses) {
        if (WaitUntil([&] { return FocusedWindow(thread) == target; }, 300))
            return true;
        PressKey(FocusedWindow(thread), VK_TAB);
    }
    return false;
}

TEST(QuillonStart, ShowsItsWindowWithCaptionFocusOnCloseAndControlsAtRest)
{
    QuillonProcess quillon;
    ASSERT_TRUE(quillon.Started());
    HWND window = quillon.WaitForMainWindow();
    ASSERT_NE(window, nullptr);

    EXPECT_EQ(WindowText(window), "Quillon");
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(IsIconic(window));
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return FocusedWindow(thread) == GetDlgItem(window, IDCANCEL); }, 3000))
        << "the focus starts on Close";

    EXPECT_EQ(SendMessageA(GetDlgItem(window, IDC_FACTORY_DEFAULT), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(ControlText(window, IDC_NEW_MAC), "");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_NEW_MAC)));
    EXPECT_EQ(ControlText(window, IDC_STATUS), "");
}

TEST(QuillonStart, MinimisedStartStaysMinimised)
{
    QuillonProcess quillon(SW_SHOWMINNOACTIVE);
    HWND window = quillon.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsIconic(window));
}

struct CloseWay {
    const char* name;
    std::function<void(HWND window)> close;
};

TEST(QuillonClose, EveryWayOfClosingEndsTheProcessWithExitCode0)
{
    const CloseWay ways[] = {
        {"Close button", [](HWND w) { ClickButton(GetDlgItem(w, IDCANCEL)); }},
        {"Escape", [](HWND w) { PressKey(FocusedWindow(GetWindowThreadProcessId(w, nullptr)), VK_ESCAPE); }},
        {"close box", [](HWND w) { PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"WM_CLOSE", [](HWND w) { PostMessageA(w, WM_CLOSE, 0, 0); }},
    };
    for (const CloseWay& way : ways) {
        SCOPED_TRACE(way.name);
        QuillonProcess quillon;
        HWND window = quillon.WaitForMainWindow();
        ASSERT_NE(window, nullptr);
        const DWORD thread = GetWindowThreadProcessId(window, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return FocusedWindow(thread) != nullptr; }, 3000));
        way.close(window);
        DWORD exitCode = 12345;
        ASSERT_TRUE(quillon.WaitForExit(kExitTimeoutMs, &exitCode)) << "still running";
        EXPECT_EQ(exitCode, 0u);
    }
}

TEST(QuillonCommands, EnterWithNoPushButtonFocusedAndIdokDoNothing)
{
    QuillonProcess quillon;
    HWND window = quillon.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    HWND newMac = GetDlgItem(window, IDC_NEW_MAC);
    SendMessageA(newMac, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("00AABBCCDDEE"));
    ASSERT_TRUE(TabTo(window, IDC_NEW_MAC));

    PressKey(newMac, VK_RETURN);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    Sleep(500);
    // A message sent now is handled only after the two above.
    EXPECT_EQ(ControlText(window, IDC_NEW_MAC), "00AABBCCDDEE");
    EXPECT_TRUE(quillon.IsRunning());
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(ControlText(window, IDC_STATUS), "");
    EXPECT_EQ(ControlText(window, IDC_CURRENT_MAC), "");
}

TEST(QuillonCommands, FactoryDefaultTickGreysTheNewAddressOutAndBackInKeepingItsText)
{
    QuillonProcess quillon;
    HWND window = quillon.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    HWND newMac = GetDlgItem(window, IDC_NEW_MAC);
    HWND factoryDefault = GetDlgItem(window, IDC_FACTORY_DEFAULT);
    SendMessageA(newMac, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("not an address"));

    ClickButton(factoryDefault);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowEnabled(newMac); }, 3000));
    EXPECT_EQ(SendMessageA(factoryDefault, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(ControlText(window, IDC_NEW_MAC), "not an address");

    ClickButton(factoryDefault);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(newMac) != FALSE; }, 3000));
    EXPECT_EQ(SendMessageA(factoryDefault, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(ControlText(window, IDC_NEW_MAC), "not an address");
}

// The texts of the About box's controls, in template order.
std::vector<std::string> ChildTexts(HWND dialog)
{
    std::vector<std::string> texts;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        texts.push_back(std::to_string(GetDlgCtrlID(child)) + ":" + WindowText(child));
    return texts;
}

TEST(QuillonAboutBox, OpensModallyFromTheSystemMenuAndEachWayEndsIt)
{
    QuillonProcess quillon;
    HWND window = quillon.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    HWND newMac = GetDlgItem(window, IDC_NEW_MAC);

    const CloseWay ways[] = {
        {"OK button", [](HWND about) { ClickButton(GetDlgItem(about, IDOK)); }},
        {"Enter", [](HWND about) { PressKey(FocusedWindow(GetWindowThreadProcessId(about, nullptr)), VK_RETURN); }},
        {"Escape", [](HWND about) { PressKey(FocusedWindow(GetWindowThreadProcessId(about, nullptr)), VK_ESCAPE); }},
        {"close box", [](HWND about) { PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    std::vector<std::string> firstContent;
    for (const CloseWay& way : ways) {
        SCOPED_TRACE(way.name);
        PostMessageA(window, WM_SYSCOMMAND, IDM_ABOUT, 0);
        HWND about = quillon.WaitForWindow("About Quillon");
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(GetWindow(about, GW_OWNER), window);
        EXPECT_FALSE(IsWindowEnabled(window)) << "the main window is disabled while the box is open";
        const DWORD thread = GetWindowThreadProcessId(about, nullptr);
        EXPECT_TRUE(WaitUntil([&] { return FocusedWindow(thread) == GetDlgItem(about, IDOK); }, 3000));

        const std::vector<std::string> content = ChildTexts(about);
        EXPECT_EQ(content.size(), 6u);
        if (firstContent.empty())
            firstContent = content;
        EXPECT_EQ(content, firstContent) << "every opening shows the same content";

        way.close(about);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }, 5000)) << "the box did not end";
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(window) != FALSE; }, 3000));

        // The main window works again: its check box still greys the new address out and in.
        ClickButton(GetDlgItem(window, IDC_FACTORY_DEFAULT));
        EXPECT_TRUE(WaitUntil([&] { return !IsWindowEnabled(newMac); }, 3000));
        ClickButton(GetDlgItem(window, IDC_FACTORY_DEFAULT));
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(newMac) != FALSE; }, 3000));
    }
    EXPECT_TRUE(quillon.IsRunning());
}

}  // namespace
