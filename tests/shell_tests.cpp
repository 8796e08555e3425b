// The shell around the work: the main window's start and close in this process, WinMain and all.
#include <windows.h>

#include <thread>

#include "apartment_spy.h"
#include "app_globals.h"
#include "program_window.h"
#include "resource.h"

namespace {

class Shell : public ProgramWindow {};

// The About box from the system menu (its command with any low bits), ended each way: what is amiss.
std::string WorkTheAboutBox(HWND shown)
{
    std::string amiss;
    HWND newMac = GetDlgItem(shown, IDC_NEW_MAC);
    for (const auto& [lowBits, close] : {std::pair<WPARAM, void (*)(HWND)>{0x0, [](HWND a) { PostMessageA(GetDlgItem(a, IDOK), BM_CLICK, 0, 0); }},
             {0x3, [](HWND a) { PressKey(Focused(a), VK_RETURN); }}, {0x9, [](HWND a) { PressKey(Focused(a), VK_ESCAPE); }},
             {0xF, [](HWND a) { PostMessageA(a, WM_SYSCOMMAND, SC_CLOSE, 0); }}}) {
        PostMessageA(shown, WM_SYSCOMMAND, IDM_ABOUT | lowBits, 0);
        HWND about = nullptr;
        if (!WaitUntil([&] { return (about = FindWindowA("#32770", "About Quillon")) != nullptr && IsWindowVisible(about); }))
            return amiss + "no About box with the low bits " + std::to_string(lowBits);
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
    return amiss;
}

// WinMain in this process (Wine 8 answers WM_GETICON from another with 0): shown as the starter
// asks, at rest, the About box, and ended with 0 by the close box and by Escape, which the loop's
// IsDialogMessage turns into "Close".
TEST_F(Shell, WinMainShowsTheWindowAtRestWithItsIconsAndAboutItemAndEndsBalancedWith0)
{
    for (const auto& [show, close] : {std::pair{SW_SHOWNORMAL, WM_SYSCOMMAND}, std::pair{SW_SHOWMINNOACTIVE, WM_KEYDOWN}}) {
        fakes.reset();  // one set of fakes at a time
        fakes = std::make_unique<ComFakes>(ComScript{});
        ApartmentSpy apartment;
        std::string seen;
        std::thread user([&, show = show, close = close] {
            HWND shown = nullptr;
            WaitUntil([&] { return (shown = FindWindowA("#32770", "Quillon")) != nullptr && IsWindowVisible(shown); });
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
            seen += show == SW_SHOWNORMAL ? WorkTheAboutBox(shown) : "";
            PostMessageA(shown, close, close == WM_KEYDOWN ? VK_ESCAPE : SC_CLOSE, 0);
        });
        g_hInstance = nullptr;  // WinMain stores it, first thing
        EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), show), 0);
        user.join();
        EXPECT_EQ(seen, "separator, 16 About Quillon...");
        EXPECT_EQ(apartment.unbalanced, 0) << "COM is uninitialised as often as it was initialised";
    }
}

}  // namespace
