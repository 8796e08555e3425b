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
    // "02:11:..", braced, UTF-8, "0001", "Ethernet", "Wi-Fi" or "Tunnel"
    std::string interfaceName, address, adapterId, connectionName, driverKey, driver;
    std::string StoredAddress() const { return StoredValue(DriverKey(driverKey), "NetworkAddress"); }
    // What the current-address box must show now: the link's address while it is up; nothing for
    // a tunnel, which has no hardware address.
    std::string Shown() const
    {
        if (driver == "Tunnel")
            return "";
        const std::string state = LinkState(interfaceName);
        return state.ends_with(" UP") ? state.substr(0, state.size() - 3) : "link " + state;
    }
};

// The lab's record of its adapters: one tab-separated line each.
std::vector<LabAdapter> LabAdapters()
{
    std::vector<LabAdapter> adapters;
    const char* record = std::getenv("QUILLON_LAB_RECORD");
    std::ifstream file(WindowsPathOfLinuxPath(record ? record : ""));
    for (LabAdapter a; std::getline(file, a.interfaceName, '\t') && std::getline(file, a.address, '\t') && std::getline(file, a.adapterId, '\t')
         && std::getline(file, a.connectionName, '\t') && std::getline(file, a.driverKey, '\t') && std::getline(file, a.driver);)
        adapters.push_back(a);
    return adapters;
}

// A name as the list shows it: read through the ANSI code page, where a letter that it cannot
// carry becomes "?". In UTF-8.
std::string AsListed(const std::string& utf8)
{
    wchar_t wide[512] = {};
    char ansi[512] = {};
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide, 512);
    WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, sizeof ansi, nullptr, nullptr);
    MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, 512);
    char back[1024] = {};
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, back, sizeof back, nullptr, nullptr);
    return back;
}

// Wine's Network List Manager's count of connected networks (COM is initialised by the fixture).
int ConnectedNetworks()
{
    Microsoft::WRL::ComPtr<INetworkListManager> manager;
    Microsoft::WRL::ComPtr<IEnumNetworks> networks;
    if (FAILED(CoCreateInstance(kNetworkListManagerClass, nullptr, CLSCTX_ALL, kNetworkListManagerInterface, &manager))
        || FAILED(manager->GetNetworks(NLM_ENUM_NETWORK_CONNECTED, &networks)))
        return 0;
    int count = 0;
    for (Microsoft::WRL::ComPtr<INetwork> network; networks->Next(1, network.ReleaseAndGetAddressOf(), nullptr) == S_OK && network;)
        ++count;
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
        CoInitialize(nullptr);
        for (const char* mark : kMarks)
            DeleteFileA((folder + mark).c_str());  // each test answers for its own loads
        ASSERT_EQ(adapters.size(), labAdapters + 1) << "run inside tools/wine-lab.sh, with QUILLON_LAB_ADAPTERS=" << labAdapters;
        ASSERT_EQ(adapters.back().driver, "Tunnel") << "the lab's tunnel comes last";
        for (int network = ConnectedNetworks(); network > 0; --network) {
            for (const LabAdapter& adapter : adapters)
                listed.push_back(AsListed(adapter.connectionName));  // Wine lists every adapter under every network
        }
    }
    void TearDown() override
    {
        CoUninitialize();
        for (const char* mark : kMarks)
            EXPECT_EQ(GetFileAttributesA((folder + mark).c_str()), INVALID_FILE_ATTRIBUTES) << mark << ": the planted copy was loaded";
    }
    static Program Quillon(WORD show = SW_SHOWNORMAL) { return Program(show, folder + "Quillon.exe"); }

    static constexpr const char* kMarks[] = {"IPHLPAPI.dll.loaded", "Netshell.dll.loaded"};
    static inline std::string folder;
    size_t labAdapters = 4;
    const std::vector<LabAdapter> adapters = LabAdapters();
    Strings listed;
};

// Gives a driver key back its full access list when it goes.
struct ReadOnlyKey {
    explicit ReadOnlyKey(const std::string& key) : key(key) { readOnly = SetKeyReadOnly(key, true); }
    ~ReadOnlyKey() { SetKeyReadOnly(key, false); }
    std::string key;
    bool readOnly;
};

TEST_F(Lab, ListsAndShowsTheRealConnectionsAndChangesReachTheirInterfaces)
{
    Program quillon = Quillon();
    HWND window = quillon.Window();
    ASSERT_NE(window, nullptr);
    // At rest after the start.
    EXPECT_EQ(Items(window), listed);
    EXPECT_EQ(ControlText(window, IDC_CURRENT_MAC), adapters[0].Shown());
    EXPECT_TRUE(WaitUntil([&] { return Focused(window) == GetDlgItem(window, IDCANCEL); }, 3000)) << "the focus starts on Close";
    EXPECT_EQ(std::string(IsIconic(window) ? "minimised " : "") + (IsDlgButtonChecked(window, IDC_FACTORY_DEFAULT) ? "ticked " : "")
            + (IsWindowEnabled(GetDlgItem(window, IDC_NEW_MAC)) ? "" : "greyed out ") + ControlText(window, IDC_NEW_MAC) + ControlText(window, IDC_STATUS),
        "");
    const size_t count = adapters.size();
    for (size_t item = listed.size(); item-- > 0;) {
        Select(window, static_cast<int>(item));
        EXPECT_EQ(ControlText(window, IDC_CURRENT_MAC), adapters[item % count].Shown()) << "item " << item;
    }
    ASSERT_EQ(adapters[2].driver, "Wi-Fi");
    ASSERT_NE(AsListed(adapters[3].connectionName), adapters[3].connectionName) << "a name that code page 1252 cannot carry";

    const char kNotTaken[] = "The adapter did not take the address";
    const struct {
        size_t adapter, network;
        const char* typed;  // null: "Use Factory Default"; "": the text of the current-address box
        const char* status;
    } changes[] = {
        {0, 0, "02AABBCCDD01", "Done"},
        {1, 1, "02aabbccdd02", "Done"},  // "Réseau local" on the second network, in lower case
        {0, 1, "", "Done"},              // the shown form is no address text: a generated one is applied
        {2, 0, "", kNotTaken},           // Wi-Fi: a generated address lacks the locally administered bit
        {2, 0, "06AABBCCDD03", "Done"},  // ... which this one has
        {3, 0, "02AABBCCDD04", "Done"},  // a connection named in Cyrillic, restarted by its adapter's id
        {1, 0, "010203040506", kNotTaken},  // multicast: the driver starts with its own address
        {0, 0, nullptr, "Done"},
    };
    for (const auto& change : changes) {
        const LabAdapter& adapter = adapters[change.adapter];
        SCOPED_TRACE(adapter.interfaceName + " " + (change.typed ? change.typed : "factory default"));
        Select(window, static_cast<int>(change.network * count + change.adapter));
        const bool generated = change.typed && !*change.typed;
        const std::string typed = generated ? ControlText(window, IDC_CURRENT_MAC) : change.typed ? change.typed : "";
        Type(window, IDC_NEW_MAC, typed);
        if (!change.typed)
            Click(window, IDC_FACTORY_DEFAULT);

        ASSERT_TRUE(Click(window, IDC_CHANGE_MAC)) << "no answer within a minute";

        const std::string applied = change.typed ? ControlText(window, IDC_NEW_MAC) : "";
        EXPECT_TRUE(generated ? applied.size() == 12 && applied.rfind("00", 0) == 0 : applied == typed) << applied;
        EXPECT_EQ(ControlText(window, IDC_STATUS), change.status);
        EXPECT_EQ(adapter.StoredAddress(), applied + '\0');
        const bool taken = change.typed && std::string(change.status) == "Done";
        EXPECT_EQ(adapter.Shown(), AsShown(taken ? applied : adapter.address));
        EXPECT_EQ(ControlText(window, IDC_CURRENT_MAC), adapter.Shown());
    }
}

TEST_F(Lab, WithoutTheRightToWriteTheDriverKeyTheStatusLineSaysAccessDenied)
{
    const LabAdapter& adapter = adapters[0];
    ReadOnlyKey driverKey(DriverKey(adapter.driverKey));
    ASSERT_TRUE(driverKey.readOnly) << "the key's access list could not be set";
    Program quillon = Quillon();
    HWND window = quillon.Window();
    ASSERT_NE(window, nullptr);
    const std::string before = LinkState(adapter.interfaceName), stored = adapter.StoredAddress();
    Type(window, IDC_NEW_MAC, "02AABBCCDD07");

    ASSERT_TRUE(Click(window, IDC_CHANGE_MAC)) << "no answer within a minute";
    EXPECT_EQ(ControlText(window, IDC_STATUS), "Access denied: run as administrator");
    EXPECT_EQ(adapter.StoredAddress(), stored);
    EXPECT_EQ(LinkState(adapter.interfaceName), before);
}

TEST_F(Lab, ACloseDuringTheRestartEndsTheProgramWithExitCode0OnceTheChangeIsDone)
{
    const LabAdapter& adapter = adapters[0];
    Program quillon = Quillon();
    HWND window = quillon.Window();
    ASSERT_NE(window, nullptr);
    Type(window, IDC_NEW_MAC, "02AABBCCDD08");
    // Both wait in the program's queue: the press runs first, and the close arrives while the
    // connections service restarts the connection and COM pumps messages.
    PostMessageA(GetDlgItem(window, IDC_CHANGE_MAC), BM_CLICK, 0, 0);
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);  // the taskbar's Close

    EXPECT_EQ(quillon.ExitCode(20000), 0u);
    EXPECT_EQ(adapter.StoredAddress(), std::string("02AABBCCDD08") + '\0');
    EXPECT_EQ(LinkState(adapter.interfaceName), "02-AA-BB-CC-DD-08 UP");
}

// The lab agent's folder: the stand-in's Connect waits while a file "hold-connect" lies there, and
// the agent notes there, in served.log, each change it made to an interface.
std::string AgentFolder()
{
    char folder[MAX_PATH] = {};
    DWORD size = sizeof folder;
    RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quillon Lab", "AgentFolder", RRF_RT_REG_SZ, nullptr, folder, &size);
    return WindowsPathOfLinuxPath(folder) + "\\";
}

int TimesServed(const std::string& request)
{
    std::ifstream log(AgentFolder() + "served.log");
    int times = 0;
    for (std::string line; std::getline(log, line);)
        times += line.rfind(request + " ", 0) == 0;
    return times;
}

// A click of the mouse in the middle of a control, as real input: it goes to the window under the
// pointer, in front.
void ClickWithTheMouse(HWND control)
{
    RECT place = {};
    GetWindowRect(control, &place);
    INPUT inputs[3] = {};
    for (INPUT& input : inputs)
        input.type = INPUT_MOUSE;
    inputs[0].mi = {MulDiv((place.left + place.right) / 2, 65535, GetSystemMetrics(SM_CXSCREEN) - 1),
        MulDiv((place.top + place.bottom) / 2, 65535, GetSystemMetrics(SM_CYSCREEN) - 1), 0, MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 0, 0};
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    for (INPUT& input : inputs) {  // one at a time, as a hand moves and presses
        SendInput(1, &input, sizeof input);
        Sleep(50);
    }
}

TEST_F(Lab, AClickOnTheFrozenWindowRunsNothingAndALogOffIsRefusedWhileConnectIsHeld)
{
    const LabAdapter& adapter = adapters[0];
    const std::string hold = AgentFolder() + "hold-connect", down = adapter.interfaceName + " down";
    Program quillon = Quillon();
    HWND window = quillon.Window(), button = GetDlgItem(window, IDC_CHANGE_MAC);
    ASSERT_NE(window, nullptr);
    const auto logOff = [&] {
        DWORD_PTR answer = 99;
        SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer);
        return answer;
    };
    EXPECT_NE(logOff(), 0u) << "a log-off while nothing runs is not held up";
    Type(window, IDC_NEW_MAC, "02AABBCCDD09");
    const int before = TimesServed(down);
    CloseHandle(CreateFileA(hold.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    SetForegroundWindow(window);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window; }, 3000)) << "the window did not come in front";

    ClickWithTheMouse(button);
    ClickWithTheMouse(button);  // while Connect is held, and COM serves only sent messages and paint
    EXPECT_EQ(logOff(), 0u) << "a log-off in the middle of the restart is refused";
    DeleteFileA(hold.c_str());

    EXPECT_TRUE(WaitUntil([&] { return logOff() != 0; }, 30000)) << "the command did not end";
    EXPECT_EQ(ControlText(window, IDC_STATUS), "Done");
    // Input is taken in its order: once a click on Generate given now has taken effect, a click
    // left from the frozen window would have run before it.
    const std::string typed = ControlText(window, IDC_NEW_MAC);
    ClickWithTheMouse(GetDlgItem(window, IDC_GENERATE));
    EXPECT_TRUE(WaitUntil([&] { return ControlText(window, IDC_NEW_MAC) != typed; })) << "the click on Generate did nothing";
    EXPECT_EQ(TimesServed(down), before + 1) << "the click on the frozen window restarted the connection again";
    EXPECT_EQ(adapter.Shown(), "02-AA-BB-CC-DD-09");
    EXPECT_NE(logOff(), 0u) << "a log-off after the change is not held up";
}

// The same lab with 20 adapters: with the loopback adapter, the adapter table has 21 records,
// more than its first read takes.
class ManyAdapters : public Lab {
protected:
    ManyAdapters() { labAdapters = 20; }
};

TEST_F(ManyAdapters, EachAddressIsShownAndAChangeIsCheckedInTheirTable)
{
    Program quillon = Quillon();
    HWND window = quillon.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Items(window), listed);
    for (size_t item = 0; item < adapters.size(); ++item) {
        Select(window, static_cast<int>(item));
        EXPECT_EQ(ControlText(window, IDC_CURRENT_MAC), adapters[item].Shown()) << "item " << item;
    }
    const LabAdapter& last = adapters[labAdapters - 1];
    Select(window, static_cast<int>(labAdapters - 1));
    Type(window, IDC_NEW_MAC, "02AABBCCDD20");

    ASSERT_TRUE(Click(window, IDC_CHANGE_MAC)) << "no answer within a minute";
    EXPECT_EQ(ControlText(window, IDC_STATUS), "Done");
    EXPECT_EQ(LinkState(last.interfaceName), "02-AA-BB-CC-DD-20 UP");
    EXPECT_EQ(ControlText(window, IDC_CURRENT_MAC), "02-AA-BB-CC-DD-20");
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
            EXPECT_TRUE(show != SW_SHOWNORMAL || WaitUntil([&] { return Focused(window) != nullptr; }, 3000)) << "no control has the focus";
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
    // The platform may set the low four bits of a system command: the item opens the box with any.
    const WPARAM lowBits[] = {0x0, 0x3, 0x9, 0xF};
    const Way ways[] = {
        {"OK", [](HWND about) { PostMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0); }},
        {"Enter", [](HWND about) { PressKey(Focused(about), VK_RETURN); }},
        {"Escape", [](HWND about) { PressKey(Focused(about), VK_ESCAPE); }},
        {"close box", [](HWND about) { PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    Strings first;
    for (size_t i = 0; i < std::size(ways); ++i) {
        const auto& [way, close] = ways[i];
        SCOPED_TRACE(way);
        PostMessageA(window, WM_SYSCOMMAND, IDM_ABOUT | lowBits[i], 0);
        HWND about = quillon.Window("About Quillon");
        ASSERT_NE(about, nullptr) << "the About item with the low bits " << lowBits[i];
        EXPECT_EQ(GetWindow(about, GW_OWNER), window);
        EXPECT_EQ(IsWindowEnabled(window), FALSE) << "the box is modal";
        EXPECT_TRUE(WaitUntil([&] { return Focused(about) == GetDlgItem(about, IDOK); }, 3000)) << "the focus is not on OK";
        first = first.empty() ? ControlTexts(about) : first;
        EXPECT_EQ(ControlTexts(about), first) << "every opening shows the same";
        close(about);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about) && IsWindowEnabled(window); })) << "the box stays, or the main window stays disabled";
        // The main window works again: Enter in the new-address box, and IDOK, do nothing; the
        // tick greys the box out and back in, keeping its text.
        Type(window, IDC_NEW_MAC, "00AABBCCDDEE");
        PostMessageA(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(newMac), TRUE);
        ASSERT_TRUE(WaitUntil([&] { return Focused(window) == newMac; }, 3000)) << "the new-address box did not take the focus";
        PressKey(newMac, VK_RETURN);
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        for (const bool ticked : {true, false}) {
            ASSERT_TRUE(Click(window, IDC_FACTORY_DEFAULT)) << "no answer";  // handled after the key and IDOK
            EXPECT_EQ(IsDlgButtonChecked(window, IDC_FACTORY_DEFAULT) != 0, ticked);
            EXPECT_EQ(IsWindowEnabled(newMac) == FALSE, ticked);
            EXPECT_EQ(ControlText(window, IDC_NEW_MAC) + "|" + ControlText(window, IDC_STATUS), "00AABBCCDDEE|");
        }
    }
    EXPECT_EQ(first.size(), 6u);
    EXPECT_EQ(quillon.ExitCode(0), static_cast<DWORD>(STILL_ACTIVE));
}

}  // namespace
