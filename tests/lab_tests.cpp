// The real Quillon.exe in the lab (tools/wine-lab.sh), on the adapters that Wine's own Network List
// Manager and adapter table report, worked through its window and checked from outside.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "lab_files.h"
#include "quillon_remote.h"
#include "resource.h"
#include "status_texts.h"

namespace {

using Strings = std::vector<std::string>;

// "02:aa:bb:cc:dd:ee" or "02aabbccddee" as the current-address box shows it, "02-AA-BB-CC-DD-EE".
std::string AsShown(std::string address)
{
    std::erase(address, ':');
    for (size_t dash = 2; dash < address.size(); dash += 3)
        address.insert(dash, "-");
    CharUpperA(address.data());
    return address;
}

struct LabAdapter : LabRecord {
    std::string StoredAddress() const { return StoredValue(DriverKey(driverKey), "NetworkAddress"); }
    // What the current-address box must show now: the link's address while it is up; nothing for
    // a tunnel, which has no hardware address.
    std::string Shown() const
    {
        std::istringstream fields(driver == "Tunnel" ? "" : RunLinux("ip -br link show dev " + interfaceName));
        std::string name, state, linkAddress;
        fields >> name >> state >> linkAddress;
        return state == "UP" || driver == "Tunnel" ? AsShown(linkAddress) : "link " + state;
    }
};

std::vector<LabAdapter> LabAdapters()
{
    const std::vector<LabRecord> record = ReadLabRecord(WindowsPathOfLinuxPath(std::getenv("QUILLON_LAB_RECORD") ? std::getenv("QUILLON_LAB_RECORD") : ""));
    return std::vector<LabAdapter>(record.begin(), record.end());
}

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
        ASSERT_EQ(adapters.size(), 5u) << "run inside tools/wine-lab.sh, with its four adapters and the tunnel";
        ASSERT_EQ(adapters.back().driver, "Tunnel") << "the lab's tunnel comes last";
        // Wine reports a network for each adapter and loopback, and every adapter under each.
        for (size_t network = 0; network <= adapters.size(); ++network) {
            for (const LabAdapter& adapter : adapters)
                listed.push_back(AsListed(adapter.connectionName));
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

// (What the list and the address box show at rest, quillon_check shows.)
TEST_F(Lab, ChangesReachTheirInterfaces)
{
    Program quillon = Quillon();
    HWND window = quillon.Window();
    ASSERT_NE(window, nullptr);
    const size_t count = adapters.size();
    ASSERT_TRUE(adapters[2].driver == "Wi-Fi" && AsListed(adapters[3].connectionName) != adapters[3].connectionName) << "the lab's Wi-Fi, Cyrillic";

    const struct {
        size_t adapter, network;
        const char* typed;  // null: "Use Factory Default"; "": the text of the current-address box
        const char* status;
    } changes[] = {
        {0, 0, "02AABBCCDD01", kDone},
        {1, 1, "02aabbccdd02", kDone},  // "Réseau local" on the second network, in lower case
        {0, 1, "", kDone},              // the shown form is no address text: a generated one is applied
        {2, 0, "", kNotTaken},           // Wi-Fi: a generated address lacks the locally administered bit
        {2, 0, "06AABBCCDD03", kDone},  // ... which this one has
        {3, 0, "02AABBCCDD04", kDone},  // a connection named in Cyrillic, restarted by its adapter's id
        {1, 0, "010203040506", kNotTaken},  // multicast: the driver starts with its own address
        {0, 0, nullptr, kDone},
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
        const bool taken = change.typed && std::string(change.status) == kDone;
        EXPECT_EQ(adapter.Shown(), AsShown(taken ? applied : adapter.address));
        EXPECT_EQ(ControlText(window, IDC_CURRENT_MAC), adapter.Shown());
    }
}

// Also with Wine's own taskbar list, told that the window's button is there: the change ends as before.
TEST_F(Lab, WhileConnectIsHeldRealInputIsDroppedALogOffRefusedTheStatusLineSpokenAndThePointerBusy)
{
    const LabAdapter& adapter = adapters[0];
    const std::string hold = LabAgentFolder() + kLabHoldConnect, down = adapter.interfaceName + " down";
    Program quillon = Quillon();
    HWND window = quillon.Window(), button = GetDlgItem(window, IDC_CHANGE_MAC);
    ASSERT_NE(window, nullptr);
    const LiveRegionListener statusLine(GetDlgItem(window, IDC_STATUS));
    const auto logOff = [&] {
        DWORD_PTR answer = 99;
        SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer);
        return answer;
    };
    EXPECT_NE(logOff(), 0u) << "a log-off while nothing runs is not held up";
    SendMessageA(window, RegisterWindowMessageA("TaskbarButtonCreated"), 0, 0);
    Type(window, IDC_NEW_MAC, "02AABBCCDD09");
    const int before = TimesTheLabAgentServed(down);
    DeleteFileA((LabAgentFolder() + kLabLongestQueuedInput).c_str());
    CloseHandle(CreateFileA(hold.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    SetForegroundWindow(window);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window; }, 3000)) << "the window did not come in front";
    MoveTheMouseOver(button);
    const HCURSOR arrow = PointerShape();
    std::string pointer;

    ClickWithTheMouse(button);
    ASSERT_TRUE(WaitUntil([&] { return ControlText(window, IDC_STATUS) == kResetting; })) << "the change did not begin";
    // For 3 s, while Connect is held and COM serves only sent messages and paint: clicks and keys.
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 3000;) {
        ClickWithTheMouse(button), PressWithTheKeyboard(VK_SPACE);
        pointer += PointerShape() != arrow && PointerShape() ? "" : "not busy; ";
    }
    EXPECT_EQ(logOff(), 0u) << "a log-off in the middle of the restart is refused";
    DeleteFileA(hold.c_str());

    EXPECT_TRUE(WaitUntil([&] { return logOff() != 0; }, 30000)) << "the command did not end";
    EXPECT_EQ(ControlText(window, IDC_STATUS), kDone);
    MoveTheMouseOver(button, 2);
    EXPECT_EQ(pointer + (PointerShape() == arrow ? "the arrow after" : "no arrow after"), "the arrow after")
        << "the pointer over the frozen window, moved and clicked by a hand, and after";
    // Input is taken in its order: once a click on Generate given now has taken effect, a click
    // left from the frozen window would have run before it.
    const std::string typed = ControlText(window, IDC_NEW_MAC);
    ClickWithTheMouse(GetDlgItem(window, IDC_GENERATE));
    EXPECT_TRUE(WaitUntil([&] { return ControlText(window, IDC_NEW_MAC) != typed; })) << "the click on Generate did nothing";
    EXPECT_EQ(TimesTheLabAgentServed(down), before + 1) << "the input given to the frozen window restarted the connection again";
    EXPECT_EQ(adapter.Shown(), "02-AA-BB-CC-DD-09");
    EXPECT_NE(logOff(), 0u) << "a log-off after the change is not held up";
    unsigned longest = 99999;
    std::ifstream(LabAgentFolder() + kLabLongestQueuedInput) >> longest;
    EXPECT_LE(longest, 500u) << "the longest time that input stayed queued while Connect was held, ms";
    std::printf("Input stayed queued at most %u ms while Connect was held.\n", longest);
    EXPECT_EQ(statusLine.Heard(), (Strings{kResetting, kDone})) << "the live-region events of the status line";
}

// As Windows has them for a user who is not an administrator: the Network key and the class key,
// and every key below them, may be read but not written (access lists, which Wine's server checks).
TEST_F(Lab, AStandardUserSeesEveryConnectionAndAddressAndIsToldToRunAsAdministrator)
{
    Strings keys = KeysBelow(kNetworkKeyPath), classKeys = KeysBelow(kAdapterClassKeyPath);
    keys.insert(keys.end(), classKeys.begin(), classKeys.end());
    struct ReadOnly {
        const Strings& keys;
        ~ReadOnly()
        {
            for (const std::string& key : keys)
                SetKeyReadOnly(key, false);
        }
    } readOnly{keys};
    for (const std::string& key : keys)
        ASSERT_TRUE(SetKeyReadOnly(key, true)) << key;
    const LabAdapter& adapter = adapters[1];
    const std::string stored = adapter.StoredAddress(), down = adapter.interfaceName + " down";
    const int restarts = TimesTheLabAgentServed(down);

    Program quillon = Quillon();
    HWND window = quillon.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Items(window), listed);
    EXPECT_EQ(ControlText(window, IDC_CURRENT_MAC), adapters[0].Shown());
    Select(window, 1);
    Type(window, IDC_CURRENT_MAC, "");
    Click(window, IDC_REFRESH);
    EXPECT_EQ(ControlText(window, IDC_CURRENT_MAC), adapter.Shown()) << "Refresh";
    Type(window, IDC_NEW_MAC, "02AABBCCDD07");
    ASSERT_TRUE(Click(window, IDC_CHANGE_MAC)) << "no answer within a minute";
    EXPECT_EQ(ControlText(window, IDC_STATUS), kAccessDenied);
    EXPECT_EQ(adapter.StoredAddress(), stored) << "nothing is written";
    EXPECT_EQ(TimesTheLabAgentServed(down), restarts) << "nothing is restarted";
}

}  // namespace
