// The Change MAC command in the program's own main window, from the press to the status line:
// driver keys in Wine's registry, the restart through the connection-manager fake and the
// Netshell.dll double, the refresh through the adapter table of the test's making.
#include <windows.h>

#include "program_window.h"
#include "resource.h"

namespace {

using Strings = std::vector<std::string>;
using Keys = std::vector<std::pair<std::string, std::string>>;  // driver key, its NetCfgInstanceId or value

const char kResetting[] = "Resetting adapter...", kDone[] = "Done", kNotFound[] = "Selected adapter is not found";
const char kRestartFailed[] = "Couldn't restart the connection";
const Strings kRestart0 = {"Disconnect 0", "Connect 0"};
const char kGenerated[] = "<generated>";  // the address that replaced the typed text

struct Road {
    const char* label;
    // Set-up: the name of adapter A's connection entry (B's is "Wi-Fi"), its driver keys, what the
    // user does, and what the platform does.
    std::string connectionName = "Ethernet";
    Keys driverKeys = {{"0000", Braced(kIdA)}};
    const char* typed = "001122334455";
    bool factoryDefault = false;
    int selection = 0;  // -1: the list is empty; 2: an item added beyond the adapter ids
    bool replaced = false;  // the typed text is replaced by a generated address
    std::vector<const wchar_t*> connections = {L"Ethernet", L"Wi-Fi"};
    std::string failing{};
    HRESULT failure = E_FAIL;
    int failingWrites = 0;
    const char* netshell = "netshell_double.dll";
    // What follows: NetworkAddress by driver key, the status texts, the restarts, the refreshes.
    Keys stored = {{"0000", std::string("001122334455", 13)}};
    Strings statuses = {kResetting, kDone};
    Strings restarts = kRestart0;
    int refreshes = 1;
};

const std::string kLowerA = Lowered(Braced(kIdA));

const Road kRoads[] = {
    {.label = "typed text, written as typed with its terminator to the matching key only",
        .driverKeys = {{"0000", Braced(kIdB)}, {"0001", Braced(kIdA)}, {"0002", "<missing>"}},
        .typed = "02aAbBcCdDeE",
        .stored = {{"0000", "<none>"}, {"0001", std::string("02aAbBcCdDeE", 13)}, {"0002", "<none>"}}},
    {.label = "factory default: an empty value, nothing generated", .typed = "not an address", .factoryDefault = true,
        .stored = {{"0000", std::string(1, '\0')}}},
    {.label = "the shown form is replaced", .typed = "00-11-22-33-44-55", .replaced = true, .stored = {{"0000", kGenerated}}},
    {.label = "16 digits are replaced", .typed = "0011223344556677", .replaced = true, .stored = {{"0000", kGenerated}}},
    {.label = "nothing typed is replaced", .typed = "", .replaced = true, .stored = {{"0000", kGenerated}}},
    {.label = "a trailing space is replaced", .typed = "001122334455 ", .replaced = true, .stored = {{"0000", kGenerated}}},
    {.label = "34 characters are cut to 30 and replaced", .typed = "0123456789ABCDEF0123456789ABCDEF01", .replaced = true,
        .stored = {{"0000", kGenerated}}},
    {.label = "no selection: only the replacement", .typed = "00-11-22-33-44-55", .selection = -1, .replaced = true,
        .stored = {{"0000", "<none>"}}, .statuses = {}, .restarts = {}, .refreshes = 0},
    {.label = "ids in the other case, missing, unterminated or too long match nothing",
        .driverKeys = {{"0000", kLowerA}, {"0001", "<missing>"}, {"0002", "<384>"}, {"0003", Braced(kIdA) + std::string(400, 'x')}},
        .stored = {{"0000", "<none>"}, {"0001", "<none>"}, {"0002", "<none>"}, {"0003", "<none>"}}, .statuses = {kNotFound}, .restarts = {},
        .refreshes = 0},
    {.label = "two keys of one adapter: two writes, two restarts, one refresh",
        .driverKeys = {{"0003", Braced(kIdA)}, {"0007", Braced(kIdA)}}, .typed = "0A1B2C3D4E5F",
        .stored = {{"0003", std::string("0A1B2C3D4E5F", 13)}, {"0007", std::string("0A1B2C3D4E5F", 13)}},
        .statuses = {kResetting, kDone, kResetting, kDone}, .restarts = {"Disconnect 0", "Connect 0", "Disconnect 0", "Connect 0"}},
    {.label = "no class key", .driverKeys = {}, .stored = {}, .statuses = {"Failed to open adapter list key"}, .restarts = {},
        .refreshes = 0},
    {.label = "a selection beyond the ids looks for an empty id", .selection = 2, .stored = {{"0000", "<none>"}},
        .statuses = {kNotFound}, .restarts = {}, .refreshes = 0},
    {.label = "... which a key with an empty id has", .driverKeys = {{"0000", Braced(kIdA)}, {"0001", ""}}, .selection = 2,
        .stored = {{"0000", "<none>"}, {"0001", std::string("001122334455", 13)}}},
    {.label = "a refused write is reported, not restarted, and still refreshed", .failingWrites = 1,
        .stored = {{"0000", "<none>"}}, .statuses = {"Couldn't write NetworkAddress"}, .restarts = {}},
    {.label = "the first failure is shown again after a later key's success",
        .driverKeys = {{"0000", Braced(kIdA)}, {"0001", Braced(kIdA)}}, .failingWrites = 1,
        .stored = {{"0000", "<none>"}, {"0001", std::string("001122334455", 13)}},
        .statuses = {"Couldn't write NetworkAddress", kResetting, kDone, "Couldn't write NetworkAddress"}},
    {.label = "Netshell.dll missing", .netshell = nullptr, .statuses = {kResetting, "Couldn't load Netshell.dll"}, .restarts = {}},
    {.label = "Netshell.dll without its export", .netshell = "netshell_without_export.dll",
        .statuses = {kResetting, "Couldn't load NcFreeNetconProperties function"}, .restarts = {}},
    {.label = "every exact match is restarted, in order, Disconnect first",
        .connections = {L"Ethernet", L"ethernet", L"Ethernet 2", L"Ether", L"Ethernet"},
        .restarts = {"Disconnect 0", "Connect 0", "Disconnect 4", "Connect 4"}},
    {.label = "prefixes and other cases restart nothing", .connections = {L"ETHERNET", L"Ethernet 2", L"Ether"},
        .statuses = {kResetting, kRestartFailed}, .restarts = {}},
    {.label = "connections without properties or name are skipped", .connections = {L"Ethernet", nullptr, L"Ethernet"},
        .failing = "GetProperties#0", .failure = S_OK, .restarts = {"Disconnect 2", "Connect 2"}},
    {.label = "a refused Disconnect is no failure", .failing = "Disconnect#0"},
    {.label = "a refused Connect is, and the walk goes on", .connections = {L"Ethernet", L"Ethernet"}, .failing = "Connect#0",
        .statuses = {kResetting, kRestartFailed}, .restarts = {"Disconnect 0", "Connect 0", "Disconnect 1", "Connect 1"}},
    {.label = "no connection manager", .failing = "connection manager#0", .failure = REGDB_E_CLASSNOTREG,
        .statuses = {kResetting, kRestartFailed}, .restarts = {}},
    {.label = "no connection enumerator", .failing = "EnumConnections#0", .failure = S_OK,
        .statuses = {kResetting, kRestartFailed}, .restarts = {}},
    {.label = "code page 1252: e acute", .connectionName = "Caf\xE9", .connections = {L"Caf\u00E9"}},
    {.label = "code page 1252: the euro sign is U+20AC", .connectionName = "Euro \x80",
        .connections = {L"Euro \u0080", L"Euro \uFF80", L"Euro \u20AC"}, .restarts = {"Disconnect 2", "Connect 2"}},
};

// 12 upper-case hexadecimal digits that begin with 00.
bool LooksGenerated(const std::string& text)
{
    return text.size() == 12 && text.rfind("00", 0) == 0 && text.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

class Change : public ProgramWindow {};

TEST_F(Change, EachRoadFromThePressToTheStatusLine)
{
    ASSERT_EQ(GetACP(), 1252u) << "the names outside ASCII are written in code page 1252";
    for (const Road& road : kRoads) {
        SCOPED_TRACE(road.label);
        RemoveKey(kClassKey);
        for (const auto& [key, id] : road.driverKeys) {
            const std::string path = DriverKey(key), unterminated = Braced(kIdA) + std::string(384 - 38, ' ');
            const bool seeded = id == "<384>"  ? SeedValue(path, "NetCfgInstanceId", REG_BINARY, unterminated.data(), 384)
                : id == "<missing>" ? SeedText(path, "DriverDesc", "no id")
                                    : SeedText(path, "NetCfgInstanceId", id);
            ASSERT_TRUE(seeded) << key;
        }
        ASSERT_TRUE(SeedText(ConnectionKey(kLanSubkey, kIdA), "Name", road.connectionName));
        ASSERT_TRUE(SeedText(ConnectionKey(kLanSubkey, kIdB), "Name", "Wi-Fi"));
        SystemNetshell netshell(road.netshell);
        Start({.networks = {road.selection < 0 ? std::vector<GUID>{} : std::vector<GUID>{kAdapterA, kAdapterB}},
            .connections = road.connections, .failing = road.failing, .failure = road.failure});
        if (road.selection == 2)
            SendDlgItemMessageA(window, IDC_CONNECTION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Ethernet"));
        if (road.selection > 0)
            SendDlgItemMessageA(window, IDC_CONNECTION, CB_SETCURSEL, road.selection, 0);
        if (road.factoryDefault) {
            ASSERT_TRUE(Click(window, IDC_FACTORY_DEFAULT));
        }
        Type(window, IDC_NEW_MAC, road.typed);
        failingWrites = road.failingWrites;
        statusTexts.clear();
        const int reads = tableReads;

        ASSERT_TRUE(Click(window, IDC_CHANGE_MAC));

        const std::string shown = Text(IDC_NEW_MAC);
        if (road.replaced) {
            EXPECT_TRUE(LooksGenerated(shown)) << shown;
        } else {
            EXPECT_EQ(shown, road.typed);
        }
        for (const auto& [key, value] : road.stored)
            EXPECT_EQ(StoredValue(DriverKey(key), "NetworkAddress"), value == kGenerated ? shown + '\0' : value) << key;
        EXPECT_EQ(statusTexts, road.statuses);
        EXPECT_EQ(fakes->Calls(), road.restarts);
        EXPECT_EQ(tableReads - reads, road.refreshes);
        Close();
        EXPECT_EQ(fakes->Unbalanced(), "");
        EXPECT_EQ(GetModuleHandleA("netshell.dll"), nullptr) << "Netshell.dll is freed";
    }
}

TEST_F(Change, TheStatusLineIsPaintedWhileTheConnectionRestarts)
{
    ASSERT_TRUE(SeedText(ConnectionKey(kLanSubkey, kIdA), "Name", "Ethernet"));
    ASSERT_TRUE(SeedText(DriverKey("0000"), "NetCfgInstanceId", Braced(kIdA)));
    std::string seen;
    Start({.networks = {{kAdapterA}}, .connections = {L"Ethernet"}, .duringConnect = [&] {
        const bool painted = !GetUpdateRect(GetDlgItem(window, IDC_STATUS), nullptr, FALSE);
        seen = Text(IDC_STATUS) + (painted ? ", painted" : ", not painted");
    }});
    // As when the window has just been uncovered: everything waits to be painted.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);

    ASSERT_TRUE(Click(window, IDC_CHANGE_MAC));
    EXPECT_EQ(seen, "Resetting adapter..., painted");
}

TEST_F(Change, GenerateFillsTheNewAddressBoxEvenWhileItIsGreyedOut)
{
    Start();
    Type(window, IDC_NEW_MAC, "typed");
    ASSERT_TRUE(Click(window, IDC_FACTORY_DEFAULT));
    ASSERT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_NEW_MAC)));
    ASSERT_TRUE(Click(window, IDC_GENERATE));
    EXPECT_TRUE(LooksGenerated(Text(IDC_NEW_MAC))) << Text(IDC_NEW_MAC);
    EXPECT_EQ(statusTexts, Strings{});
}

// Bytes in use on the process heap, where the program allocates; the C++ runtime has a heap of its own.
SIZE_T ProcessHeapInUse()
{
    SIZE_T bytes = 0;
    PROCESS_HEAP_ENTRY entry = {};
    while (HeapWalk(GetProcessHeap(), &entry))
        bytes += entry.wFlags & PROCESS_HEAP_ENTRY_BUSY ? entry.cbData : 0;
    return bytes;
}

TEST_F(Change, ThreeHundredChangesAndRefreshesLeaveNoHandleNorHeapBlockBehind)
{
    ASSERT_TRUE(SeedText(ConnectionKey(kLanSubkey, kIdA), "Name", "Ethernet"));
    ASSERT_TRUE(SeedText(DriverKey("0000"), "NetCfgInstanceId", Braced(kIdA)));
    table = {{Braced(kIdA), {2, 0, 0, 0, 0, 1}}};
    Start({.networks = {{kAdapterA}}, .connections = {L"Ethernet"}});
    ULONG handles = 0;
    SIZE_T heap = 0;
    for (int command = 1; command <= 300; ++command) {
        Type(window, IDC_NEW_MAC, command % 2 ? "02AABBCCDD10" : "02AABBCCDD20");
        ASSERT_TRUE(Click(window, IDC_CHANGE_MAC) && Click(window, IDC_REFRESH));
        if (command == 50)
            handles = HandleCount(GetCurrentProcessId()), heap = ProcessHeapInUse();
    }
    ASSERT_GT(handles, 0u);
    EXPECT_LE(HandleCount(GetCurrentProcessId()), handles);
    EXPECT_LE(ProcessHeapInUse(), heap);
}

}  // namespace
