// The real Quillon.exe in the lab (tools/wine-lab.sh): on veth adapters that Wine's own Network
// List Manager and adapter table report, restarted through the lab's stand-in Netshell.dll. Worked
// from this process through its window, and checked from outside: the registry, and `ip link`.
#include <gtest/gtest.h>

#include <windows.h>
#include <netlistmgr.h>
#include <wrl/client.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "quillon_driver.h"
#include "resource.h"

namespace {

using Strings = std::vector<std::string>;

// "02:aa:bb:cc:dd:ee" or "02aabbccddee" as the current-address box shows it, "02-AA-BB-CC-DD-EE".
std::string AsShown(const std::string& address)
{
    std::string shown;
    for (char c : address) {
        if (!isxdigit(static_cast<unsigned char>(c)))
            continue;
        if (shown.size() % 3 == 2)
            shown += '-';
        shown += static_cast<char>(toupper(c));
    }
    return shown;
}

// The interface's address and state, "02-AA-BB-CC-DD-EE UP".
std::string LinkState(const std::string& interfaceName)
{
    std::istringstream fields(RunLinux("ip -br link show dev " + interfaceName));
    std::string name, state, address;
    fields >> name >> state >> address;
    return AsShown(address) + " " + state;
}

struct LabAdapter {
    std::string interfaceName, address, adapterId, connectionName, driverKey;  // "02:11:..", braced, UTF-8, "0001"
    std::string StoredAddress() const { return StoredValue(DriverKey(driverKey), "NetworkAddress"); }
};

// The lab's record of its adapters: one tab-separated line each.
std::vector<LabAdapter> LabAdapters()
{
    std::vector<LabAdapter> adapters;
    const char* record = std::getenv("QUILLON_LAB_RECORD");
    std::ifstream file(WindowsPath(record ? record : ""));
    for (LabAdapter a; std::getline(file, a.interfaceName, '\t') && std::getline(file, a.address, '\t') && std::getline(file, a.adapterId, '\t')
         && std::getline(file, a.connectionName, '\t') && std::getline(file, a.driverKey);)
        adapters.push_back(a);
    return adapters;
}

int ConnectedNetworks()
{
    using Microsoft::WRL::ComPtr;
    int count = 0;
    CoInitialize(nullptr);
    {
        ComPtr<INetworkListManager> manager;
        ComPtr<IEnumNetworks> networks;
        if (SUCCEEDED(CoCreateInstance(CLSID_NetworkListManager, nullptr, CLSCTX_ALL, IID_INetworkListManager, &manager))
            && SUCCEEDED(manager->GetNetworks(NLM_ENUM_NETWORK_CONNECTED, &networks))) {
            for (ComPtr<INetwork> network; networks->Next(1, network.ReleaseAndGetAddressOf(), nullptr) == S_OK && network;)
                ++count;
        }
    }
    CoUninitialize();
    return count;
}

HWND Focused(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

void PressKey(HWND target, UINT key)
{
    const LPARAM down = 1 | (static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16);
    PostMessageA(target, WM_KEYDOWN, key, down);
    PostMessageA(target, WM_KEYUP, key, down | (3L << 30));
}

using Way = std::pair<const char*, void (*)(HWND)>;

// Every test works a copy of Quillon.exe in a folder where DLLs lie that bear the names of
// platform modules and leave a mark when they are loaded; none may ever be.
class Lab : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        char temp[MAX_PATH] = {};
        folder = std::string(temp, GetTempPathA(MAX_PATH, temp)) + "quillon-planted\\";
        CreateDirectoryA(folder.c_str(), nullptr);
        for (const std::string file : {"IPHLPAPI.dll", "Netshell.dll"})
            CopyFileA((OwnFolder() + "planted\\" + file).c_str(), (folder + file).c_str(), FALSE);
        CopyFileA((OwnFolder() + "..\\Quillon.exe").c_str(), (folder + "Quillon.exe").c_str(), FALSE);
        // Wine would take its built-in IPHLPAPI over a copy beside the program; Quillon.exe here
        // takes the copy first, as Windows does.
        RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\Quillon.exe\\DllOverrides", "iphlpapi", REG_SZ, "native,builtin", 15);
    }
    void SetUp() override
    {
        for (const char* mark : kMarks)
            DeleteFileA((folder + mark).c_str());  // each test answers for its own loads
        ASSERT_EQ(adapters.size(), 3u) << "run inside tools/wine-lab.sh";
        for (int network = ConnectedNetworks(); network > 0; --network) {
            for (const LabAdapter& adapter : adapters)
                listed.push_back(adapter.connectionName);  // Wine lists every adapter under every network
        }
    }
    void TearDown() override
    {
        for (const char* mark : kMarks)
            EXPECT_EQ(GetFileAttributesA((folder + mark).c_str()), INVALID_FILE_ATTRIBUTES) << mark << ": the planted copy was loaded";
    }
    static Program Quillon(WORD show = SW_SHOWNORMAL) { return Program(show, folder + "Quillon.exe"); }

    static constexpr const char* kMarks[] = {"IPHLPAPI.dll.loaded", "Netshell.dll.loaded"};
    static inline std::string folder;
    const std::vector<LabAdapter> adapters = LabAdapters();
    Strings listed;
};

TEST_F(Lab, ListsAndShowsTheRealConnectionsAndChangesReachTheirInterfaces)
{
    Program quillon = Quillon();
    HWND window = quillon.Window();
    ASSERT_NE(window, nullptr);
    // At rest after the start.
    EXPECT_EQ(Items(window), listed);
    EXPECT_EQ(ControlText(window, IDC_CURRENT_MAC) + " UP", LinkState(adapters[0].interfaceName));
    EXPECT_TRUE(WaitUntil([&] { return Focused(window) == GetDlgItem(window, IDCANCEL); }, 3000)) << "the focus starts on Close";
    EXPECT_FALSE(IsIconic(window) || IsDlgButtonChecked(window, IDC_FACTORY_DEFAULT) || !IsWindowEnabled(GetDlgItem(window, IDC_NEW_MAC)));
    EXPECT_EQ(ControlText(window, IDC_NEW_MAC) + ControlText(window, IDC_STATUS), "");
    for (size_t item = listed.size(); item-- > 0;) {
        Select(window, static_cast<int>(item));
        EXPECT_EQ(ControlText(window, IDC_CURRENT_MAC) + " UP", LinkState(adapters[item % 3].interfaceName)) << "item " << item;
    }

    const struct {
        size_t item;
        const char* typed;  // null: "Use Factory Default"; "": the text of the current-address box
        const char* status;
    } changes[] = {
        {0, "02AABBCCDD01", "Done"},
        {5, "02aabbccdd02", "Done"},  // on the second network, in lower case
        {1, "02AABBCCDD04", "Done"},  // "Réseau local"
        {2, "", "Done"},              // the shown form is no address text: a generated one is applied
        {1, "010203040506", "Couldn't restart the connection"},  // multicast: the kernel refuses it
        {0, nullptr, "Done"},
    };
    for (const auto& change : changes) {
        const LabAdapter& adapter = adapters[change.item % 3];
        SCOPED_TRACE(adapter.interfaceName + " " + (change.typed ? change.typed : "factory default"));
        const std::string before = LinkState(adapter.interfaceName);
        Select(window, static_cast<int>(change.item));
        const bool generated = change.typed && !*change.typed;
        const std::string typed = generated ? ControlText(window, IDC_CURRENT_MAC) : change.typed ? change.typed : "";
        Type(window, IDC_NEW_MAC, typed);
        if (!change.typed)
            Click(window, IDC_FACTORY_DEFAULT);

        ASSERT_TRUE(Click(window, IDC_CHANGE_MAC));

        const std::string applied = change.typed ? ControlText(window, IDC_NEW_MAC) : "";
        EXPECT_TRUE(generated ? applied.size() == 12 && applied.rfind("00", 0) == 0 : applied == typed) << applied;
        EXPECT_EQ(ControlText(window, IDC_STATUS), change.status);
        EXPECT_EQ(adapter.StoredAddress(), applied + '\0');
        const std::string inEffect = std::string(change.status) != "Done" ? before : AsShown(change.typed ? applied : adapter.address) + " UP";
        EXPECT_EQ(LinkState(adapter.interfaceName), inEffect);
        EXPECT_EQ(ControlText(window, IDC_CURRENT_MAC) + " UP", inEffect);
    }
}

TEST_F(Lab, EveryWayOfClosingEndsTheProgramWithExitCode0AlsoAfterAMinimisedStart)
{
    const Way ways[] = {
        {"Close", [](HWND w) { PostMessageA(GetDlgItem(w, IDCANCEL), BM_CLICK, 0, 0); }},
        {"Escape", [](HWND w) { PressKey(Focused(w), VK_ESCAPE); }},
        {"close box", [](HWND w) { PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"WM_CLOSE", [](HWND w) { PostMessageA(w, WM_CLOSE, 0, 0); }},
    };
    for (const WORD show : {SW_SHOWNORMAL, SW_SHOWMINNOACTIVE}) {
        for (const auto& [way, close] : ways) {
            SCOPED_TRACE(std::string(way) + (show == SW_SHOWNORMAL ? "" : ", minimised"));
            Program quillon = Quillon(show);
            HWND window = quillon.Window();
            ASSERT_NE(window, nullptr);
            EXPECT_EQ(IsIconic(window) != FALSE, show != SW_SHOWNORMAL);
            EXPECT_TRUE(show != SW_SHOWNORMAL || WaitUntil([&] { return Focused(window) != nullptr; }, 3000));
            close(window);
            EXPECT_EQ(quillon.ExitCode(), 0u);
        }
    }
}

// The texts of a window's controls, in their order.
Strings ControlTexts(HWND window)
{
    Strings texts;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        texts.push_back(ControlText(child));
    return texts;
}

TEST_F(Lab, TheAboutBoxOpensModallyFromTheSystemMenuAndEachWayEndsIt)
{
    Program quillon = Quillon();
    HWND window = quillon.Window(), newMac = GetDlgItem(window, IDC_NEW_MAC);
    ASSERT_NE(window, nullptr);
    const Way ways[] = {
        {"OK", [](HWND about) { PostMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0); }},
        {"Enter", [](HWND about) { PressKey(Focused(about), VK_RETURN); }},
        {"Escape", [](HWND about) { PressKey(Focused(about), VK_ESCAPE); }},
        {"close box", [](HWND about) { PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    Strings first;
    for (const auto& [way, close] : ways) {
        SCOPED_TRACE(way);
        PostMessageA(window, WM_SYSCOMMAND, IDM_ABOUT, 0);
        HWND about = quillon.Window("About Quillon");
        ASSERT_NE(about, nullptr);
        EXPECT_TRUE(GetWindow(about, GW_OWNER) == window && !IsWindowEnabled(window));
        EXPECT_TRUE(WaitUntil([&] { return Focused(about) == GetDlgItem(about, IDOK); }, 3000));
        first = first.empty() ? ControlTexts(about) : first;
        EXPECT_EQ(ControlTexts(about), first) << "every opening shows the same";
        close(about);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about) && IsWindowEnabled(window); }));
        // The main window works again: Enter in the new-address box, and IDOK, do nothing; the
        // tick greys the box out and back in, keeping its text.
        Type(window, IDC_NEW_MAC, "00AABBCCDDEE");
        PostMessageA(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(newMac), TRUE);
        ASSERT_TRUE(WaitUntil([&] { return Focused(window) == newMac; }, 3000));
        PressKey(newMac, VK_RETURN);
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        for (const bool ticked : {true, false}) {
            ASSERT_TRUE(Click(window, IDC_FACTORY_DEFAULT));  // handled after the key and IDOK
            EXPECT_EQ(IsDlgButtonChecked(window, IDC_FACTORY_DEFAULT) != 0, ticked);
            EXPECT_EQ(IsWindowEnabled(newMac) == FALSE, ticked);
            EXPECT_EQ(ControlText(window, IDC_NEW_MAC) + "|" + ControlText(window, IDC_STATUS), "00AABBCCDDEE|");
        }
    }
    EXPECT_EQ(first.size(), 6u);
    EXPECT_EQ(quillon.ExitCode(0), static_cast<DWORD>(STILL_ACTIVE));
}

}  // namespace
