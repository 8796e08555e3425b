// The resources of the built Quillon.exe, asked of the platform: the main window as the dialog
// manager makes it from the program's template, the manifest and the version resource.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "quillon_remote.h"
#include "resource.h"

namespace {

HMODULE Executable()
{
    static HMODULE module = LoadLibraryExA((OwnFolder() + "..\\Quillon.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    return module;
}

// A resource of Quillon.exe in US English, under which every one is stored; empty when absent.
std::string Resource(LPCSTR type, int id)
{
    HRSRC found = FindResourceExA(Executable(), type, MAKEINTRESOURCEA(id), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    return found ? std::string(static_cast<const char*>(LockResource(LoadResource(Executable(), found))), SizeofResource(Executable(), found)) : "";
}

struct Window {
    int id;
    std::string windowClass;  // "button", behind the version of the common controls where the platform names it
    std::string text;         // "#107" for a resource id
    DWORD style;
    RECT place;  // x, y, cx, cy: in dialog units when expected, in pixels when created
};

// The dialog and its controls as the dialog manager creates them, seen by a hook on their creation,
// before a control changes anything of its own (a combo box moves its height into its list).
std::vector<Window> g_created;

LRESULT CALLBACK SeeCreation(int code, WPARAM wParam, LPARAM lParam)
{
    const CREATESTRUCTA* create = code == HCBT_CREATEWND ? reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs : nullptr;
    static HWND dialog = nullptr;
    if (create && (g_created.empty() || create->hwndParent == dialog)) {
        dialog = g_created.empty() ? reinterpret_cast<HWND>(wParam) : dialog;
        const std::string name = create->lpszName ? create->lpszName : "";
        std::string windowClass = HIWORD(create->lpszClass) ? create->lpszClass : "#" + std::to_string(LOWORD(create->lpszClass));
        CharLowerA(windowClass.data());
        // The dialog manager turns an edit box's WS_BORDER into WS_EX_CLIENTEDGE, and adds DS_3DLOOK.
        const DWORD style = (create->style & ~DS_3DLOOK) | (create->dwExStyle & WS_EX_CLIENTEDGE ? WS_BORDER : 0);
        g_created.push_back({static_cast<int>(reinterpret_cast<INT_PTR>(create->hMenu)), windowClass,
            name[0] == '\xFF' ? "#" + std::to_string(*reinterpret_cast<const WORD*>(create->lpszName + 1)) : name, style,
            {create->x, create->y, create->cx, create->cy}});
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

INT_PTR CALLBACK Inert(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// Makes the main window from its template, an extended one, and checks its size in dialog units and
// its controls, in order. Pixels follow from the dialog's own base units: whichever font Windows
// (or Wine) finds for "Tahoma".
void ExpectMainDialog(const std::string& dialogStyle, SIZE units, const std::vector<Window>& controls)
{
    const std::string bytes = Resource(RT_DIALOG, IDD_MAIN);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(bytes.data()), 0xFFFF0001u) << "an extended template";
    g_created.clear();
    HHOOK hook = SetWindowsHookExA(WH_CBT, SeeCreation, nullptr, GetCurrentThreadId());
    HWND dialog = CreateDialogIndirectParamA(Executable(), reinterpret_cast<const DLGTEMPLATE*>(bytes.data()), nullptr, Inert, 0);
    UnhookWindowsHookEx(hook);
    ASSERT_NE(dialog, nullptr);

    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
    char header[128];
    wsprintfA(header, "%08lX \"%s\" %s %ld weight %ld italic %d charset %d", g_created[0].style, g_created[0].text.c_str(),
        font.lfFaceName, font.lfHeight, font.lfWeight, font.lfItalic, font.lfCharSet);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(header, dialogStyle + " " + std::to_string(-MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72))
        + " weight 0 italic 0 charset 1") << "8 point Tahoma";
    ReleaseDC(nullptr, screen);

    RECT frame = {0, 0, units.cx, units.cy};  // the client area, and the frame around it
    MapDialogRect(dialog, &frame);
    AdjustWindowRectEx(&frame, GetWindowLongA(dialog, GWL_STYLE), FALSE, GetWindowLongA(dialog, GWL_EXSTYLE));
    EXPECT_EQ(g_created[0].windowClass + " " + std::to_string(g_created[0].place.right) + "x" + std::to_string(g_created[0].place.bottom),
        "#32770 " + std::to_string(frame.right - frame.left) + "x" + std::to_string(frame.bottom - frame.top))
        << units.cx << " x " << units.cy << " dialog units and the frame";
    ASSERT_EQ(g_created.size(), controls.size() + 1);
    for (size_t i = 0; i < controls.size(); ++i) {
        const Window &want = controls[i], &got = g_created[i + 1];
        SCOPED_TRACE("control " + std::to_string(i + 1) + ", " + want.text);
        RECT place = want.place;  // the dialog manager maps x, y, cx and cy each on its own
        MapDialogRect(dialog, &place);
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.windowClass.substr(got.windowClass.rfind('!') + 1), want.windowClass);
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.style, want.style) << std::hex << got.style;
        EXPECT_EQ(std::vector<LONG>({got.place.left, got.place.top, got.place.right, got.place.bottom}),
            std::vector<LONG>({place.left, place.top, place.right, place.bottom}));
    }
    // Of the common controls 6, as the manifest asks (Wine names their classes "6.0.2600.2982!button";
    // what Windows hands the hook is its own): only their buttons know their ideal size.
    SIZE ideal = {};
    EXPECT_TRUE(SendDlgItemMessageA(dialog, IDCANCEL, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal))) << "a button of the common controls 6";
    DestroyWindow(dialog);
}

TEST(Resources, TheMainWindowIsTheExtendedTemplateWithItsThirteenControls)
{
    const DWORD label = 0x50020000, button = 0x50010000;
    ExpectMainDialog("80C808C0 \"Quillon\" Tahoma", {194, 167}, {
        {IDCANCEL, "button", "Close", button, {135, 145, 50, 16}},
        {IDC_CONNECTION, "combobox", "", 0x50210003, {10, 22, 175, 30}},
        {-1, "static", "Network Connection:", label, {10, 11, 68, 8}},
        {IDC_CURRENT_MAC, "edit", "", 0x50810880, {10, 54, 118, 14}},
        {-1, "static", "Current MAC Address:", label, {10, 44, 73, 8}},
        {IDC_NEW_MAC, "edit", "", 0x50810080, {10, 87, 118, 14}},
        {-1, "static", "New MAC Address:", label, {10, 76, 62, 8}},
        {IDC_GENERATE, "button", "Generate", button, {135, 86, 50, 15}},
        {IDC_CHANGE_MAC, "button", "Change MAC", button, {10, 145, 83, 16}},
        {-1, "static", "", 0x50000010, {0, 138, 208, 1}},
        {IDC_STATUS, "static", "", label, {10, 122, 176, 8}},
        {IDC_REFRESH, "button", "Refresh", button, {135, 54, 50, 15}},
        {IDC_FACTORY_DEFAULT, "button", "Use Factory Default", 0x50010003, {10, 106, 80, 10}},
    });
}

TEST(Resources, TheManifestAsksForDpiAwarenessCommonControls6AndTheInvokersRights)
{
    const std::string manifest = Resource(RT_MANIFEST, 1);
    size_t at = 0;
    for (const char* part : {"<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\"", "<assemblyIdentity",
             "version=\"5.1.0.0\"", "processorArchitecture=\"*\"", "type=\"win32\"", "<description>", "<dpiAware", ">true</dpiAware>",
             "<dependentAssembly>", "name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"", "processorArchitecture=\"*\"",
             "publicKeyToken=\"6595b64144ccf1df\"", "language=\"*\"", "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"",
             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{e2011457-1546-43c5-a5fe-008deee3d3f0}",
             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "</assembly>"}) {
        at = manifest.find(part, at);
        ASSERT_NE(at, std::string::npos) << "missing or out of order: " << part << "\n" << manifest;
    }
}

TEST(Resources, TheVersionResourceSays1002InUsEnglish)
{
    const std::string path = OwnFolder() + "..\\Quillon.exe";
    std::vector<char> block(GetFileVersionInfoSizeA(path.c_str(), nullptr));
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data())) << "no version resource in " << path;
    auto query = [&](const std::string& name) {
        char* value = nullptr;
        UINT length = 0;
        return VerQueryValueA(block.data(), name.c_str(), reinterpret_cast<void**>(&value), &length) ? std::string(value, length) : "<none>";
    };
    const std::string fixed = query("\\");
    ASSERT_EQ(fixed.size(), sizeof(VS_FIXEDFILEINFO));
    const auto* info = reinterpret_cast<const VS_FIXEDFILEINFO*>(fixed.data());
    EXPECT_EQ(std::vector<DWORD>({info->dwFileVersionMS, info->dwFileVersionLS, info->dwProductVersionMS, info->dwProductVersionLS,
                  info->dwFileFlagsMask, info->dwFileFlags, info->dwFileOS, info->dwFileType}),
        std::vector<DWORD>({0x10000, 2, 0x10000, 2, 0x3F, 0, VOS_NT_WINDOWS32, VFT_APP}));
    EXPECT_EQ(query("\\VarFileInfo\\Translation"), std::string("\x09\x04\xB0\x04", 4)) << "0x0409, 1200";
    for (const char* field : {"FileVersion=1.0.0.2", "ProductVersion=1.0.0.2", "FileDescription=Quillon", "ProductName=Quillon utility",
             "CompanyName", "LegalCopyright", "Comments", "InternalName", "OriginalFilename"}) {
        const std::string name = std::string(field).substr(0, std::string(field).find('=')), value = query("\\StringFileInfo\\040904b0\\" + name);
        EXPECT_TRUE(value.size() > 1 && (name == field || name + "=" + value.c_str() == field)) << field << ": " << value;
    }
}

}  // namespace
