// The shell around the work: the main window's start and close in this process, and the loading
// of Windows' own modules.
#include <windows.h>

#include <thread>
#include <utility>

#include "apartment_spy.h"
#include "app_globals.h"
#include "program_window.h"
#include "resource.h"
#include "system_modules.h"

namespace {

class Shell : public ProgramWindow {};

// The program's own start and end, WinMain and all, in this process: Wine 8 answers WM_GETICON
// from another process with 0 (Windows with the icon), so the lab cannot see the icons.
TEST_F(Shell, WinMainShowsTheWindowWithItsIconsAndAboutItemAndEndsBalancedWith0)
{
    fakes = std::make_unique<ComFakes>(ComScript{});
    ApartmentSpy apartment;
    LRESULT smallIcon = 0, largeIcon = 0;
    std::string lastItems;
    std::thread user([&] {
        HWND shown = nullptr;
        WaitUntil([&] { return (shown = FindWindowA("#32770", "Quillon")) != nullptr && IsWindowVisible(shown); });
        smallIcon = SendMessageA(shown, WM_GETICON, ICON_SMALL, 0);
        largeIcon = SendMessageA(shown, WM_GETICON, ICON_BIG, 0);
        // The system menu ends with a separator and the About item.
        HMENU menu = GetSystemMenu(shown, FALSE);
        const int last = GetMenuItemCount(menu) - 1;
        char text[64] = {};
        GetMenuStringA(menu, last, text, sizeof text, MF_BYPOSITION);
        lastItems = (GetMenuState(menu, last - 1, MF_BYPOSITION) & MF_SEPARATOR ? "separator, " : "no separator, ")
            + std::to_string(GetMenuItemID(menu, last)) + " " + text;
        PostMessageA(shown, WM_CLOSE, 0, 0);
    });
    g_hInstance = nullptr;  // WinMain stores it, first thing
    const int exitCode = WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWNORMAL);
    user.join();
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(smallIcon, reinterpret_cast<LRESULT>(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP_SMALL))));
    EXPECT_EQ(largeIcon, reinterpret_cast<LRESULT>(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP_LARGE))));
    EXPECT_EQ(lastItems, "separator, 16 About Quillon...");
    EXPECT_EQ(apartment.unbalanced, 0) << "COM is uninitialised as often as it was initialised";
}

TEST_F(Shell, CloseAndEscapeGoThroughWmCloseWhichUninitialisesCom)
{
    for (const auto& [way, close] : {std::pair<const char*, void (*)(HWND)>{"Close", [](HWND w) { Click(w, IDCANCEL); }},
             {"Escape", [](HWND w) { SendMessageA(w, WM_COMMAND, IDCANCEL, 0); }}}) {  // as IsDialogMessage turns Escape
        SCOPED_TRACE(way);
        ApartmentSpy apartment;
        Start();
        close(window);
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(apartment.unbalanced, 0) << "COM is uninitialised as often as it was initialised";
        MSG quit;
        EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "no quit message";
    }
}

// As LoadLibraryExA answers on a Windows without the search flags (Vista, or 7 without
// KB2533623): ERROR_INVALID_PARAMETER for the flags, the loader's own search otherwise.
std::vector<std::pair<std::string, DWORD>> g_loads;
HMODULE WINAPI LoaderWithoutSearchFlags(LPCSTR fileName, HANDLE file, DWORD flags)
{
    g_loads.emplace_back(fileName, flags);
    if (flags & LOAD_LIBRARY_SEARCH_SYSTEM32) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return LoadLibraryExA(fileName, file, flags);
}

TEST(SystemModules, WithoutTheSearchFlagsAModuleIsLoadedByItsPathInTheSystemFolder)
{
    g_loadLibraryExA = LoaderWithoutSearchFlags;
    HMODULE module = LoadSystemModule("version.dll");
    const auto loads = std::exchange(g_loads, {});
    HMODULE tooLong = LoadSystemModule((std::string(MAX_PATH, 'x') + ".dll").c_str());
    g_loadLibraryExA = LoadLibraryExA;

    EXPECT_NE(module, nullptr);
    EXPECT_EQ(loads, (decltype(g_loads){{"version.dll", LOAD_LIBRARY_SEARCH_SYSTEM32}, {SystemFolder() + "version.dll", LOAD_WITH_ALTERED_SEARCH_PATH}}));
    EXPECT_EQ(tooLong, nullptr);
    EXPECT_EQ(g_loads.size(), 1u) << "a path that would not fit is not tried";
    FreeLibrary(module);
}

}  // namespace
