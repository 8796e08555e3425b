// The shell around the work, WinMain and all, in this process (Wine 8 answers WM_GETICON from
// another with 0): the window as its starter asks and at rest, the About box, and the ends. (Keys
// as a user types them, the lab gives the real Quillon.exe.)
#include <windows.h>

#include <thread>

#include "app_globals.h"
#include "program_window.h"
#include "resource.h"

namespace {

class Shell : public ProgramWindow {
protected:
    // Runs WinMain with the show state while `user` works the window from another thread, which
    // then ends the program as the user does with `end`; returns WinMain's result, 99 when the
    // window did not show within 10 s, or 98 when it was still there 10 s after the end.
    int RunWinMain(int show, const std::function<void(HWND shown)>& user, const std::function<void(HWND shown)>& end)
    {
        fakes.reset();  // one set of fakes at a time
        fakes = std::make_unique<ComFakes>(ComScript{});
        Watch();
        const DWORD program = GetCurrentThreadId();
        std::thread hand([&] {
            HWND shown = nullptr;
            if (!WaitUntil([&] { return (shown = FindWindowA("#32770", "Quillon")) != nullptr && IsWindowVisible(shown); }))
                return (void)PostThreadMessageA(program, WM_QUIT, 99, 0);
            user(shown);
            end(shown);
            // A window that will not close (an About box that stays, over it) must not hold the suite.
            if (!WaitUntil([&] { return !IsWindow(shown); }))
                PostThreadMessageA(program, WM_QUIT, 98, 0);
        });
        g_hInstance = nullptr;  // WinMain stores it, first thing
        const int result = WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), show);
        hand.join();
        EXPECT_EQ(Close(), "");
        return result;
    }
};

void CloseBox(HWND shown) { PostMessageA(shown, WM_SYSCOMMAND, SC_CLOSE, 0); }

TEST_F(Shell, WinMainShowsTheWindowAsItsStarterAsksAtRestWithItsIconsAndAboutItem)
{
    for (const int show : {SW_SHOWNORMAL, SW_SHOWMINNOACTIVE}) {
        std::string seen;
        EXPECT_EQ(RunWinMain(show, [&](HWND shown) {
            HMENU menu = GetSystemMenu(shown, FALSE);
            const int last = GetMenuItemCount(menu) - 1;
            char text[64] = {};
            GetMenuStringA(menu, last, text, sizeof text, MF_BYPOSITION);
            const auto hasIcon = [shown](WPARAM which, int id) {
                return SendMessageA(shown, WM_GETICON, which, 0) == reinterpret_cast<LRESULT>(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)));
            };
            seen = std::string(IsIconic(shown) != (show != SW_SHOWNORMAL) ? "shown otherwise, " : "")
                + (hasIcon(ICON_SMALL, IDI_APP_SMALL) ? "" : "no small icon, ") + (hasIcon(ICON_BIG, IDI_APP_LARGE) ? "" : "no large icon, ")
                + (GetMenuState(menu, last - 1, MF_BYPOSITION) & MF_SEPARATOR ? "separator, " : "no separator, ") + std::to_string(GetMenuItemID(menu, last))
                + " " + text + (IsDlgButtonChecked(shown, IDC_FACTORY_DEFAULT) || !IsWindowEnabled(GetDlgItem(shown, IDC_NEW_MAC)) ? ", ticked" : "")
                + ControlText(shown, IDC_NEW_MAC) + ControlText(shown, IDC_STATUS);
        }, CloseBox), 0) << "closed by the close box";
        EXPECT_EQ(seen, "separator, 16 About Quillon...");
    }
}

// Opened from the system menu (its command with any low bits), ended each way; the window works again.
TEST_F(Shell, TheAboutBoxIsModalAndEndsEachWay)
{
    std::string amiss;
    EXPECT_EQ(RunWinMain(SW_SHOWNORMAL, [&](HWND shown) {
        HWND newMac = GetDlgItem(shown, IDC_NEW_MAC);
        for (const auto& [lowBits, close] : {std::pair<WPARAM, void (*)(HWND)>{0x0, [](HWND a) { PostMessageA(GetDlgItem(a, IDOK), BM_CLICK, 0, 0); }},
                 {0x3, [](HWND a) { PressKey(Focused(a), VK_RETURN); }}, {0x9, [](HWND a) { PressKey(Focused(a), VK_ESCAPE); }},
                 {0xF, [](HWND a) { PostMessageA(a, WM_SYSCOMMAND, SC_CLOSE, 0); }}}) {
            PostMessageA(shown, WM_SYSCOMMAND, IDM_ABOUT | lowBits, 0);
            HWND about = nullptr;
            if (!WaitUntil([&] { return (about = FindWindowA("#32770", "About Quillon")) != nullptr && IsWindowVisible(about); })) {
                amiss += "no About box with the low bits " + std::to_string(lowBits);
                return;
            }
            amiss += GetWindow(about, GW_OWNER) != shown || IsWindowEnabled(shown) ? "not modal; " : "";
            amiss += WaitUntil([&] { return Focused(about) == GetDlgItem(about, IDOK); }, 3000) ? "" : "the focus is not on OK; ";
            close(about);
            amiss += WaitUntil([&] { return !IsWindow(about) && IsWindowEnabled(shown); }) ? "" : "the box stays, or the window stays disabled; ";
            // The window works again: Enter in the new-address box, and IDOK, do nothing; the tick greys
            // the box out and back in, keeping its text.
            Type(shown, IDC_NEW_MAC, "00AABBCCDDEE");
            PostMessageA(shown, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(newMac), TRUE);
            amiss += WaitUntil([&] { return Focused(shown) == newMac; }, 3000) ? "" : "the new-address box takes no focus; ";
            PressKey(newMac, VK_RETURN);
            PostMessageA(shown, WM_COMMAND, IDOK, 0);
            for (const bool ticked : {true, false}) {
                Click(shown, IDC_FACTORY_DEFAULT);  // handled after the key and IDOK
                amiss += (IsDlgButtonChecked(shown, IDC_FACTORY_DEFAULT) != 0) != ticked || (IsWindowEnabled(newMac) == FALSE) != ticked
                        || ControlText(shown, IDC_NEW_MAC) + "|" + ControlText(shown, IDC_STATUS) != "00AABBCCDDEE|" ? "the tick, or the window's texts; " : "";
            }
        }
    }, CloseBox), 0);
    EXPECT_EQ(amiss, "");
}

}  // namespace
