// The resources of the built Quillon.exe, asked of the platform: the two dialogs as the dialog
// manager makes them from the program's templates and as they are once set up, the manifest and the
// version resource. Ids, texts, styles and places are written out as the program must have them.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>

#include "about_box.h"
#include "program_window.h"
#include "todo_wine.h"

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

// A dialog template as the program must have it, written out: id, extended or not, style, caption and
// font, size, the controls in template order; and their window order once set up, by their rows.
struct Dialog {
    int id;
    bool extended;
    std::string header;
    SIZE units;
    std::vector<Window> controls;
    std::vector<size_t> windowOrder;
};

const DWORD kLabel = 0x50020000, kButton = 0x50010000;
// The main window; once set up, each field's label stands before it, where a screen reader looks.
const Dialog kMainDialog = {129, true, "80C808C0 \"Quillon\" Tahoma", {194, 167},
    {
        {2, "button", "Close", kButton, {135, 145, 50, 16}},
        {1000, "combobox", "", 0x50210003, {10, 22, 175, 30}},
        {-1, "static", "Network Connection:", kLabel, {10, 11, 68, 8}},
        {1001, "edit", "", 0x50810880, {10, 54, 118, 14}},
        {-1, "static", "Current MAC Address:", kLabel, {10, 44, 73, 8}},
        {1002, "edit", "", 0x50810080, {10, 87, 118, 14}},
        {-1, "static", "New MAC Address:", kLabel, {10, 76, 62, 8}},
        {1003, "button", "Generate", kButton, {135, 86, 50, 15}},
        {1004, "button", "Change MAC", kButton, {10, 145, 83, 16}},
        {-1, "static", "", 0x50000010, {0, 138, 208, 1}},
        {1005, "static", "", kLabel, {10, 122, 176, 8}},
        {1006, "button", "Refresh", kButton, {135, 54, 50, 15}},
        {1007, "button", "Use Factory Default", 0x50010003, {10, 106, 80, 10}},
    },
    {0, 2, 1, 4, 3, 6, 5, 7, 8, 9, 10, 11, 12}};
const Dialog kAboutBox = {103, false, "00C808C0 \"About Quillon\" Tahoma", {198, 74},
    {
        {1008, "static", "#107", 0x50000003, {14, 9, 20, 20}},
        {-1, "static", "Quillon 1.0", 0x50020080, {49, 10, 119, 8}},
        {-1, "static", "Copyright (C) 2026 Quillon developers, MIT License", kLabel, {49, 21, 144, 8}},
        {1, "button", "OK", 0x50030001, {142, 53, 49, 15}},
        {-1, "static", "https://quillon.example.org", kLabel, {49, 32, 119, 8}},
        {-1, "static", "", 0x50000010, {0, 46, 197, 1}},
    },
    {0, 1, 2, 3, 4, 5}};

// The dialog and its controls as the dialog manager creates them, seen by a hook on their creation,
// before a control changes anything of its own (a combo box moves its height into its list).
std::vector<Window> g_created;

LRESULT CALLBACK SeeCreation(int code, WPARAM wParam, LPARAM lParam)
{
    const CREATESTRUCTA* create = code == HCBT_CREATEWND ? reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs : nullptr;
    static HWND dialog = nullptr;
    if (create && (g_created.empty() || (create->hwndParent == dialog && (create->style & WS_CHILD)))) {
        dialog = g_created.empty() ? reinterpret_cast<HWND>(wParam) : dialog;
        const std::string name = create->lpszName ? create->lpszName : "";
        std::string windowClass = HIWORD(create->lpszClass) ? create->lpszClass : "#" + std::to_string(LOWORD(create->lpszClass));
        CharLowerA(windowClass.data());
        // The dialog manager turns an edit box's WS_BORDER into WS_EX_CLIENTEDGE, and adds DS_3DLOOK.
        const DWORD style = (create->style & ~DS_3DLOOK) | (create->dwExStyle & WS_EX_CLIENTEDGE ? WS_BORDER : 0);
        g_created.push_back({static_cast<short>(reinterpret_cast<INT_PTR>(create->hMenu)), windowClass,
            name[0] == '\xFF' ? "#" + std::to_string(*reinterpret_cast<const WORD*>(create->lpszName + 1)) : name, style,
            {create->x, create->y, create->cx, create->cy}});
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The style, caption and font of a dialog, as "80C808C0 "Quillon" Tahoma"; and whether its font is 8
// points high, in the screen's pixels.
std::string Header(HWND dialog, const std::string& style)
{
    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
    HDC screen = GetDC(nullptr);
    const bool eightPoints = font.lfHeight == -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    return style + " \"" + caption + "\" " + font.lfFaceName + (eightPoints ? "" : " not 8 point");
}

// Pixels from dialog units, each of x, y, cx and cy on its own as the dialog manager maps them: the
// base units of the dialog's own font, whichever Windows (or Wine) finds for "Tahoma".
std::vector<LONG> InPixels(HWND dialog, RECT place)
{
    MapDialogRect(dialog, &place);
    return {place.left, place.top, place.right, place.bottom};
}

// Has the program make the dialog (`make`), and checks it against its template as the dialog manager
// creates it (seen by the hook) and as the user meets it once set up (each control in the window order
// given). As Windows has it, an edit box's border becomes WS_EX_CLIENTEDGE; a combo box gives its
// scroll bar to its list, and is as high as the template says with the list dropped; an icon sizes
// itself to the icon (SS_ICON); an etched line may take its edge around it (Wine's is 2 pixels wider).
void ExpectDialog(const Dialog& expected, const std::function<HWND()>& make)
{
    SCOPED_TRACE("dialog " + std::to_string(expected.id));
    const std::string bytes = Resource(RT_DIALOG, expected.id);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(bytes.data()) == 0xFFFF0001u, expected.extended) << "an extended template";
    g_created.clear();
    HHOOK hook = SetWindowsHookExA(WH_CBT, SeeCreation, nullptr, GetCurrentThreadId());
    HWND dialog = make();
    UnhookWindowsHookEx(hook);
    ASSERT_NE(dialog, nullptr);
    char style[16];
    wsprintfA(style, "%08lX", g_created[0].style);
    EXPECT_EQ(Header(dialog, style), expected.header);
    RECT frame = {0, 0, expected.units.cx, expected.units.cy};  // the client area, and the frame around it
    MapDialogRect(dialog, &frame);
    AdjustWindowRectEx(&frame, GetWindowLongA(dialog, GWL_STYLE), FALSE, GetWindowLongA(dialog, GWL_EXSTYLE));
    EXPECT_EQ(g_created[0].windowClass + " " + std::to_string(g_created[0].place.right) + "x" + std::to_string(g_created[0].place.bottom),
        "#32770 " + std::to_string(frame.right - frame.left) + "x" + std::to_string(frame.bottom - frame.top))
        << expected.units.cx << " x " << expected.units.cy << " dialog units and the frame";
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    ASSERT_EQ(g_created.size(), expected.controls.size() + 1);
    ASSERT_EQ(children.size(), expected.windowOrder.size());
    for (size_t place = 0; place < children.size(); ++place) {
        const size_t row = expected.windowOrder[place];
        const Window &want = expected.controls[row], &created = g_created[row + 1];
        SCOPED_TRACE("control " + std::to_string(row + 1) + " of the template, " + std::to_string(place + 1) + " in the window order, " + want.text);
        EXPECT_EQ(created.id, want.id);
        EXPECT_EQ(created.windowClass.substr(created.windowClass.rfind('!') + 1), want.windowClass);
        EXPECT_EQ(created.text, want.text);
        EXPECT_EQ(created.style, want.style) << std::hex << created.style;
        const std::vector<LONG> wanted = InPixels(dialog, want.place);
        EXPECT_EQ(std::vector<LONG>({created.place.left, created.place.top, created.place.right, created.place.bottom}), wanted);

        HWND control = children[place];
        COMBOBOXINFO combo = {sizeof combo, {}, {}, 0, nullptr, nullptr, nullptr};
        const bool isCombo = GetComboBoxInfo(control, &combo) && combo.hwndList, isIcon = want.text == "#107";
        const DWORD style = GetWindowLongA(control, GWL_STYLE) | (GetWindowLongA(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE ? WS_BORDER : 0)
            | (isCombo ? WS_VSCROLL : 0);
        RECT at = {};
        GetWindowRect(control, &at);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&at), 2);
        std::vector<LONG> got = {at.left, at.top, at.right - at.left, at.bottom - at.top}, made = wanted;
        if (isIcon)  // the icon's own size, and the icon instead of a text
            made[2] = GetSystemMetrics(SM_CXICON), made[3] = GetSystemMetrics(SM_CYICON);
        if (want.style == 0x50000010 && got[2] >= made[2])
            got[2] = made[2];
        if (isCombo) {
            RECT dropped = {};
            SendMessageA(control, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
            EXPECT_TRUE(TodoWine(dropped.bottom - dropped.top == made[3], "the combo box with its list dropped is as high as its template"))
                << dropped.bottom - dropped.top << " pixels, not " << made[3];
            got[3] = made[3];
        }
        char text[64] = {};
        GetWindowTextA(control, text, sizeof text);
        EXPECT_EQ(static_cast<short>(GetDlgCtrlID(control)), want.id);
        EXPECT_EQ(isIcon ? SendMessageA(control, STM_GETICON, 0, 0) ? "#107" : "no icon" : text, want.text);
        EXPECT_EQ(style, want.style) << std::hex << style;
        EXPECT_EQ(got, made);
    }
    // Of the common controls 6, as the manifest asks (Wine names their classes "6.0.2600.2982!button";
    // what Windows hands the hook is its own): only their buttons know their ideal size.
    SIZE ideal = {};
    const int button = std::find_if(expected.controls.begin(), expected.controls.end(), [](const Window& w) { return w.windowClass == "button"; })->id;
    EXPECT_TRUE(SendDlgItemMessageA(dialog, button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal))) << "a button of the common controls 6";
}

class Dialogs : public ProgramWindow {};

TEST_F(Dialogs, TheMainWindowAndTheAboutBoxAreTheirTemplatesAsMadeAndOnceSetUpWithTheLabelsBeforeTheirFields)
{
    ExpectDialog(kMainDialog, [this] { return Start(), window; });
    HWND about = nullptr;
    ExpectDialog(kAboutBox, [&] { return about = CreateDialogParamA(Executable(), MAKEINTRESOURCEA(103), window, AboutDlgProc, 0); });
    DestroyWindow(about);
    EXPECT_EQ(Close(), "");
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
