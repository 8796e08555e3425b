// The resources of the built Quillon.exe, read back from the executable itself: the two dialog
// templates control by control, the manifest, the version resource, the icons; and its imports.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <regex>
#include <set>

#include "dialog_template.h"
#include "pe_image.h"
#include "resource.h"
#include "test_paths.h"

namespace {

constexpr WORD kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

class QuillonResources : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        module_ = LoadLibraryExA(QuillonExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    static void TearDownTestSuite()
    {
        if (module_)
            FreeLibrary(module_);
        module_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(module_, nullptr) << "cannot load " << QuillonExePath(); }

    // The bytes of one resource in US English; empty when there is none.
    static std::vector<uint8_t> Resource(LPCSTR type, int id)
    {
        HRSRC found = FindResourceExA(module_, type, MAKEINTRESOURCEA(id), kEnglishUs);
        if (!found)
            return {};
        const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(module_, found)));
        return std::vector<uint8_t>(data, data + SizeofResource(module_, found));
    }

    static DialogTemplate Dialog(int id)
    {
        std::vector<uint8_t> bytes = Resource(RT_DIALOG, id);
        DialogTemplate dialog;
        EXPECT_TRUE(ParseDialogTemplate(bytes.data(), bytes.size(), &dialog)) << "template " << id << " is cut short";
        return dialog;
    }

    static HMODULE module_;
};

HMODULE QuillonResources::module_ = nullptr;

struct ExpectedItem {
    int id;
    const wchar_t* windowClass;
    const wchar_t* text;  // null for an icon given by resource id
    DWORD style;
    short x, y, cx, cy;
};

std::wstring Lower(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return static_cast<wchar_t>(towlower(c)); });
    return text;
}

void ExpectItemsMatch(const std::vector<DialogItem>& items, const std::vector<ExpectedItem>& expected)
{
    ASSERT_EQ(items.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("control #" + std::to_string(i + 1));
        const DialogItem& item = items[i];
        const ExpectedItem& want = expected[i];
        EXPECT_EQ(item.id, want.id);
        EXPECT_EQ(Lower(ControlClassName(item.windowClass)), Lower(want.windowClass));
        if (want.text) {
            EXPECT_EQ(item.text.ordinal, 0);
            EXPECT_EQ(item.text.name, std::wstring(want.text));
        }
        EXPECT_EQ(item.style, want.style) << std::hex << "got 0x" << item.style << ", want 0x" << want.style;
        EXPECT_EQ(item.exStyle, 0u);
        EXPECT_EQ(item.helpId, 0u);
        EXPECT_EQ(item.x, want.x);
        EXPECT_EQ(item.y, want.y);
        EXPECT_EQ(item.cx, want.cx);
        EXPECT_EQ(item.cy, want.cy);
        EXPECT_EQ(item.extraBytes, 0);
    }
}

TEST_F(QuillonResources, MainDialogIsTheExtendedTemplateControlByControl)
{
    const DialogTemplate dialog = Dialog(IDD_MAIN);
    EXPECT_TRUE(dialog.extended);
    EXPECT_EQ(dialog.style, 0x80C808C0u) << std::hex << dialog.style;
    EXPECT_EQ(dialog.style & WS_VISIBLE, 0u) << "the window is shown by WinMain, not by the template";
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.helpId, 0u);
    EXPECT_EQ(dialog.menu.name, L"");
    EXPECT_EQ(dialog.menu.ordinal, 0);
    EXPECT_EQ(dialog.windowClass.name, L"");
    EXPECT_EQ(dialog.windowClass.ordinal, 0);
    EXPECT_EQ(dialog.caption, L"Quillon");
    EXPECT_EQ(dialog.typeface, L"Tahoma");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.weight, 0);
    EXPECT_EQ(dialog.italic, 0);
    EXPECT_EQ(dialog.charset, DEFAULT_CHARSET);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 194);
    EXPECT_EQ(dialog.cy, 167);

    const DWORD label = 0x50020000;
    const DWORD pushButton = 0x50010000;
    ExpectItemsMatch(dialog.items, {
        {IDCANCEL, L"Button", L"Close", pushButton, 135, 145, 50, 16},
        {IDC_CONNECTION, L"ComboBox", L"", 0x50210003, 10, 22, 175, 30},
        {-1, L"Static", L"Network Connection:", label, 10, 11, 68, 8},
        {IDC_CURRENT_MAC, L"Edit", L"", 0x50810880, 10, 54, 118, 14},
        {-1, L"Static", L"Current MAC Address:", label, 10, 44, 73, 8},
        {IDC_NEW_MAC, L"Edit", L"", 0x50810080, 10, 87, 118, 14},
        {-1, L"Static", L"New MAC Address:", label, 10, 76, 62, 8},
        {IDC_GENERATE, L"Button", L"Generate", pushButton, 135, 86, 50, 15},
        {IDC_CHANGE_MAC, L"Button", L"Change MAC", pushButton, 10, 145, 83, 16},
        {-1, L"Static", L"", 0x50000010, 0, 138, 208, 1},
        {IDC_STATUS, L"Static", L"", label, 10, 122, 176, 8},
        {IDC_REFRESH, L"Button", L"Refresh", pushButton, 135, 54, 50, 15},
        {IDC_FACTORY_DEFAULT, L"Button", L"Use Factory Default", 0x50010003, 10, 106, 80, 10},
    });
}

TEST_F(QuillonResources, AboutDialogIsTheClassicTemplateControlByControl)
{
    const DialogTemplate dialog = Dialog(IDD_ABOUT);
    EXPECT_FALSE(dialog.extended);
    EXPECT_EQ(dialog.style, 0x00C808C0u) << std::hex << dialog.style;
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.menu.name, L"");
    EXPECT_EQ(dialog.menu.ordinal, 0);
    EXPECT_EQ(dialog.windowClass.name, L"");
    EXPECT_EQ(dialog.windowClass.ordinal, 0);
    EXPECT_EQ(dialog.caption, L"About Quillon");
    EXPECT_EQ(dialog.typeface, L"Tahoma");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 198);
    EXPECT_EQ(dialog.cy, 74);

    ExpectItemsMatch(dialog.items, {
        {IDC_ABOUT_ICON, L"Static", nullptr, 0x50000003, 14, 9, 20, 20},
        {-1, L"Static", L"Quillon 1.0", 0x50020080, 49, 10, 119, 8},
        {-1, L"Static", nullptr, 0x50020000, 49, 21, 144, 8},
        {IDOK, L"Button", L"OK", 0x50030001, 142, 53, 49, 15},
        {-1, L"Static", nullptr, 0x50020000, 49, 32, 119, 8},
        {-1, L"Static", L"", 0x50000010, 0, 46, 197, 1},
    });
    ASSERT_EQ(dialog.items.size(), 6u);
    EXPECT_EQ(dialog.items[0].text.ordinal, IDI_APP_LARGE) << "the icon control names the large icon by its id";
    EXPECT_NE(dialog.items[2].text.name.find(L"2026"), std::wstring::npos) << "the notice line names the year";
    EXPECT_EQ(dialog.items[4].text.name.rfind(L"https://", 0), 0u) << "the home-page line is an address";
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param)
{
    reinterpret_cast<std::set<WORD>*>(param)->insert(language);
    return TRUE;
}

BOOL CALLBACK CollectLanguagesOfName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param)
{
    EnumResourceLanguagesA(module, type, name, CollectLanguage, param);
    return TRUE;
}

BOOL CALLBACK CollectLanguagesOfType(HMODULE module, LPSTR type, LONG_PTR param)
{
    EnumResourceNamesA(module, type, CollectLanguagesOfName, param);
    return TRUE;
}

TEST_F(QuillonResources, EveryResourceIsInUsEnglish)
{
    std::set<WORD> languages;
    EnumResourceTypesA(module_, CollectLanguagesOfType, reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_EQ(languages, std::set<WORD>{kEnglishUs});
}

using Attributes = std::map<std::string, std::string>;

// The attributes of every element with this tag, in document order.
std::vector<Attributes> Elements(const std::string& xml, const std::string& tag)
{
    std::vector<Attributes> elements;
    const std::regex element("<" + tag + R"(\b([^>]*)>)");
    const std::regex attribute(R"(([\w:]+)\s*=\s*\"([^\"]*)\")");
    for (std::sregex_iterator it(xml.begin(), xml.end(), element), end; it != end; ++it) {
        Attributes attributes;
        const std::string body = (*it)[1];
        for (std::sregex_iterator a(body.begin(), body.end(), attribute); a != end; ++a)
            attributes[(*a)[1]] = (*a)[2];
        elements.push_back(attributes);
    }
    return elements;
}

std::string ElementText(const std::string& xml, const std::string& tag)
{
    std::smatch match;
    const std::regex element("<" + tag + R"(\b[^>]*>([^<]*)</)" + tag + ">");
    return std::regex_search(xml, match, element) ? std::string(match[1]) : std::string();
}

TEST_F(QuillonResources, ManifestDeclaresIdentityDpiCommonControlsInvokerAndSupportedWindows)
{
    const std::vector<uint8_t> bytes = Resource(RT_MANIFEST, 1);
    ASSERT_FALSE(bytes.empty());
    const std::string xml(bytes.begin(), bytes.end());

    const auto assemblies = Elements(xml, "assembly");
    ASSERT_EQ(assemblies.size(), 1u);
    EXPECT_EQ(assemblies[0].at("manifestVersion"), "1.0");

    const auto identities = Elements(xml, "assemblyIdentity");
    ASSERT_EQ(identities.size(), 2u) << "the program's own identity and the common controls'";
    EXPECT_EQ(identities[0].at("version"), "5.1.0.0");
    EXPECT_EQ(identities[0].at("processorArchitecture"), "*");
    EXPECT_EQ(identities[0].at("type"), "win32");
    EXPECT_FALSE(identities[0].at("name").empty());
    EXPECT_FALSE(ElementText(xml, "description").empty());

    const Attributes commonControls = identities[1];
    EXPECT_EQ(commonControls.at("name"), "Microsoft.Windows.Common-Controls");
    EXPECT_EQ(commonControls.at("version"), "6.0.0.0");
    EXPECT_EQ(commonControls.at("type"), "win32");
    EXPECT_EQ(commonControls.at("processorArchitecture"), "*");
    EXPECT_EQ(commonControls.at("language"), "*");
    EXPECT_EQ(commonControls.at("publicKeyToken"), "6595b64144ccf1df");
    EXPECT_EQ(Elements(xml, "dependency").size(), 1u);

    EXPECT_EQ(ElementText(xml, "dpiAware"), "true");

    const auto levels = Elements(xml, "requestedExecutionLevel");
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_EQ(levels[0].at("level"), "asInvoker");
    EXPECT_EQ(levels[0].at("uiAccess"), "false");

    std::vector<std::string> supported;
    for (const Attributes& os : Elements(xml, "supportedOS"))
        supported.push_back(os.at("Id"));
    EXPECT_EQ(supported, (std::vector<std::string>{
                             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10
                             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
                             "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Windows Vista
                             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
                             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
                         }));
}

std::string VersionString(const std::vector<uint8_t>& block, const char* name)
{
    char* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
        return "<missing>";
    return std::string(value);
}

TEST_F(QuillonResources, VersionResourceSays1002ForUsEnglishUnicode)
{
    std::vector<uint8_t> block = Resource(RT_VERSION, 1);
    ASSERT_FALSE(block.empty());
    block.resize(block.size() * 2);  // VerQueryValueA may convert strings into the block's tail

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000002u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000002u);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);

    EXPECT_EQ(VersionString(block, "FileVersion"), "1.0.0.2");
    EXPECT_EQ(VersionString(block, "ProductVersion"), "1.0.0.2");
    EXPECT_EQ(VersionString(block, "FileDescription"), "Quillon");
    EXPECT_EQ(VersionString(block, "ProductName"), "Quillon utility");
    for (const char* field : {"CompanyName", "LegalCopyright", "Comments", "InternalName", "OriginalFilename"}) {
        SCOPED_TRACE(field);
        const std::string value = VersionString(block, field);
        EXPECT_NE(value, "<missing>");
        EXPECT_FALSE(value.empty());
    }
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)

// (size, bits per pixel) of every image of a group icon, checked against the image's own header.
std::set<std::pair<int, int>> IconImages(HMODULE module, int groupId)
{
    std::set<std::pair<int, int>> images;
    HRSRC group = FindResourceExA(module, RT_GROUP_ICON, MAKEINTRESOURCEA(groupId), kEnglishUs);
    if (!group)
        return images;
    const auto* header = static_cast<const WORD*>(LockResource(LoadResource(module, group)));
    const WORD count = header[2];
    const auto* entries = reinterpret_cast<const GroupIconEntry*>(header + 3);
    for (WORD i = 0; i < count; ++i) {
        const int size = entries[i].width ? entries[i].width : 256;
        HRSRC image = FindResourceExA(module, RT_ICON, MAKEINTRESOURCEA(entries[i].id), kEnglishUs);
        EXPECT_NE(image, nullptr) << "image " << entries[i].id << " of group " << groupId;
        if (!image)
            continue;
        const auto* bitmap = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, image)));
        EXPECT_EQ(bitmap->biWidth, size);
        EXPECT_EQ(bitmap->biHeight, 2 * size) << "colour and mask halves";
        EXPECT_EQ(bitmap->biBitCount, entries[i].bitCount);
        EXPECT_EQ(entries[i].planes, 1);
        images.insert({size, entries[i].bitCount});
    }
    return images;
}

TEST_F(QuillonResources, IconsHaveTheirSizesIn8And32BitColour)
{
    EXPECT_EQ(IconImages(module_, IDI_APP_LARGE), (std::set<std::pair<int, int>>{{32, 8}, {32, 32}, {16, 8}, {16, 32}}));
    EXPECT_EQ(IconImages(module_, IDI_APP_SMALL), (std::set<std::pair<int, int>>{{16, 8}, {16, 32}}));
}

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

TEST(QuillonExecutable, IsA64BitGuiProgramThatImportsOnlyWindowsOwnDlls)
{
    PeImage image;
    ASSERT_TRUE(image.Load(QuillonExePath()));
    EXPECT_EQ(image.Headers().FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
    EXPECT_EQ(image.Headers().OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

    const std::set<std::string> windowsDlls = {"KERNEL32.DLL", "USER32.DLL", "COMCTL32.DLL", "ADVAPI32.DLL", "OLE32.DLL",
        "OLEAUT32.DLL", "IPHLPAPI.DLL", "GDI32.DLL", "MSVCRT.DLL"};
    const std::vector<ImportedDll> imports = image.Imports();
    ASSERT_FALSE(imports.empty());
    for (const ImportedDll& dll : imports) {
        const std::string name = Upper(dll.name);
        EXPECT_TRUE(windowsDlls.count(name)) << dll.name << " is not one of Windows' own DLLs";
        for (const char* runtime : {"LIBSTDC++", "LIBGCC", "LIBWINPTHREAD"})
            EXPECT_EQ(name.find(runtime), std::string::npos) << dll.name;
    }
}

TEST(QuillonExecutable, ImportsInitCommonControlsByOrdinal17)
{
    PeImage image;
    ASSERT_TRUE(image.Load(QuillonExePath()));
    bool byOrdinal = false;
    for (const ImportedDll& dll : image.Imports()) {
        if (Upper(dll.name) != "COMCTL32.DLL")
            continue;
        byOrdinal = byOrdinal || std::count(dll.ordinals.begin(), dll.ordinals.end(), 17) == 1;
        EXPECT_EQ(std::count(dll.functions.begin(), dll.functions.end(), "InitCommonControls"), 0);
    }
    EXPECT_TRUE(byOrdinal);
}

}  // namespace
