// The Change MAC command in the program's own main window, from the press to the status line: driver
// keys in Wine's registry, the restart through the fakes, the read-back in the test's adapter table.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <span>

#include "about_box.h"
#include "app_globals.h"
#include "com_modal_loop.h"
#include "program_window.h"
#include "resource.h"
#include "status_texts.h"

namespace {

using Strings = std::vector<std::string>;
using Keys = std::vector<std::pair<std::string, std::string>>;  // driver key, its NetCfgInstanceId or value

const Strings kRestart0 = {"Disconnect 0", "Connect 0"};
const char kGenerated[] = "<generated>";  // the address that replaced the typed text
const std::vector<BYTE> kFactoryA = {0x02, 0xFA, 0xC7, 0x00, 0x00, 0x0A};

// What adapter A does when its connection restarts, as its driver has it.
enum class AdapterOnRestart {
    Takes,        // shows the address written
    TakesWithoutIpv4,  // ... with no IPv4 bound: in GetAdaptersAddresses' table only
    BackAfter5s,  // is gone from the adapter table for 5 s after Connect, then shows the address written
    OldFor1s,     // shows its old address for 1 s after Connect, then the address written
    Refuses,      // keeps its factory address
    NeverBack,    // is gone from the adapter table
    Tunnel,       // shows the address written with an address length of 0, as a tun device does
};

struct Road {
    const char* label;
    // Set-up: adapter A's connection name (UTF-16, as Windows stores it; B's is "Wi-Fi"), its
    // driver keys and those only readable; what the user does; what the platform does.
    const wchar_t* connectionName = L"Ethernet";
    Keys driverKeys = {{"0000", Braced(kIdA)}};
    Strings readOnlyKeys = {};
    const char* typed = "001122334455";
    bool factoryDefault = false;
    int selection = 0;  // -1: the list is empty; 2: an item added beyond the adapter ids
    bool replaced = false;  // the typed text is replaced by a generated address
    std::vector<NetConnection> connections = {{L"Ethernet", kAdapterA}, {L"Wi-Fi", kAdapterB}};
    std::string failing{};
    HRESULT failure = E_FAIL;
    int failingWrites = 0;
    AdapterOnRestart adapter = AdapterOnRestart::Takes;
    // A child window that never validates its paint, or a stream of messages sent from another thread.
    enum { Calm, NeverPainted, SentStream } disturbance = Calm;
    bool inFront = false;  // the main window is in front when the verdict comes
    bool taskbarButton = true;  // the taskbar has told the window that its button is there
    // What follows: NetworkAddress by driver key, the status texts, the restarts, and how long
    // after the last Connect the outcome came (within one look, 100 ms).
    Keys stored = {{"0000", std::string("001122334455", 13)}};
    Strings statuses = {kResetting, kDone};
    Strings restarts = kRestart0;
    DWORD after = 0;
};

const wchar_t kCyrillic[] = L"\u041B\u043E\u043A\u0430\u043B\u044C\u043D\u0430\u044F \u0441\u0435\u0442\u044C";

// The address is written, the connection restarted, and the status line says "Done".
const Road kSuccessRoads[] = {
    {.label = "typed text, written as typed with its terminator to the matching key only",
        .driverKeys = {{"0000", Braced(kIdB)}, {"0001", Braced(kIdA)}, {"0002", "<missing>"}},
        .typed = "02aAbBcCdDeE", .inFront = true,
        .stored = {{"0000", "<none>"}, {"0001", std::string("02aAbBcCdDeE", 13)}, {"0002", "<none>"}}},
    {.label = "factory default: an empty value, nothing generated, nothing to compare", .typed = "not an address", .factoryDefault = true,
        .adapter = AdapterOnRestart::Refuses, .stored = {{"0000", std::string(1, '\0')}}},
    {.label = "34 characters are cut to 30 and replaced", .typed = "0123456789ABCDEF0123456789ABCDEF01", .replaced = true,
        .stored = {{"0000", kGenerated}}},
    {.label = "two keys of one adapter: two writes, two restarts, one refresh",
        .driverKeys = {{"0003", Braced(kIdA)}, {"0007", Braced(kIdA)}}, .typed = "0A1B2C3D4E5F",
        .stored = {{"0003", std::string("0A1B2C3D4E5F", 13)}, {"0007", std::string("0A1B2C3D4E5F", 13)}},
        .statuses = {kResetting, kDone, kResetting, kDone}, .restarts = {"Disconnect 0", "Connect 0", "Disconnect 0", "Connect 0"}},
    {.label = "the adapter comes back 5 s after Connect; the taskbar has not told of the button", .typed = "02aabbccddee",
        .adapter = AdapterOnRestart::BackAfter5s, .taskbarButton = false, .stored = {{"0000", std::string("02aabbccddee", 13)}}, .after = 5000},
    {.label = "the adapter shows its old address for 1 s after Connect", .adapter = AdapterOnRestart::OldFor1s, .after = 1000},
    {.label = "factory default: Done when the adapter is back, 5 s after Connect", .factoryDefault = true, .adapter = AdapterOnRestart::BackAfter5s,
        .stored = {{"0000", std::string(1, '\0')}}, .after = 5000},
    {.label = "a connection that is down may refuse to disconnect", .connections = {{L"Ethernet", kAdapterA, NCS_DISCONNECTED}},
        .failing = "Disconnect#0"},
    {.label = "an adapter without IPv4 is read back from GetAdaptersAddresses' table", .adapter = AdapterOnRestart::TakesWithoutIpv4},
};

// What went wrong is said in the status line, and only what happened happens.
const Road kFailureRoads[] = {
    {.label = "no selection: only the replacement", .typed = "00-11-22-33-44-55", .selection = -1, .replaced = true,
        .stored = {{"0000", "<none>"}}, .statuses = {}, .restarts = {}},
    {.label = "ids in the other case, missing, empty, cut, longer, unterminated or too long match nothing",
        .driverKeys = {{"0000", Lowered(Braced(kIdA))}, {"0001", "<missing>"}, {"0002", ""}, {"0003", Braced(kIdA).substr(0, 37)},
            {"0004", Braced(kIdA) + "0"}, {"0005", "<384>"}, {"0006", Braced(kIdA) + std::string(400, 'x')}},
        .stored = {{"0000", "<none>"}, {"0001", "<none>"}, {"0002", "<none>"}, {"0003", "<none>"}, {"0004", "<none>"}, {"0005", "<none>"},
            {"0006", "<none>"}},
        .statuses = {kNotFound}, .restarts = {}},
    {.label = "a selection beyond the ids looks for an empty id", .selection = 2, .stored = {{"0000", "<none>"}},
        .statuses = {kNotFound}, .restarts = {}},
    {.label = "... which a key with an empty id has; the empty name is not in the table", .driverKeys = {{"0000", Braced(kIdA)}, {"0001", ""}},
        .selection = 2, .stored = {{"0000", "<none>"}, {"0001", std::string("001122334455", 13)}}, .statuses = {kResetting, kNotBack},
        .after = 20000},
    {.label = "a key of the adapter that may only be read: access denied, nothing written or restarted",
        .driverKeys = {{"0000", Braced(kIdB)}, {"0001", Braced(kIdA)}}, .readOnlyKeys = {"0000", "0001"},
        .stored = {{"0001", "<none>"}}, .statuses = {kAccessDenied}, .restarts = {}},
    {.label = "another adapter's key that may only be read is no reason", .driverKeys = {{"0000", Braced(kIdB)}}, .readOnlyKeys = {"0000"},
        .stored = {{"0000", "<none>"}}, .statuses = {kNotFound}, .restarts = {}},
    {.label = "a failed write, a key that may only be read and a success: the line ends with the first failure",
        .driverKeys = {{"0000", Braced(kIdA)}, {"0001", Braced(kIdA)}, {"0002", Braced(kIdA)}}, .readOnlyKeys = {"0001"}, .failingWrites = 1,
        .stored = {{"0000", "<none>"}, {"0001", "<none>"}, {"0002", std::string("001122334455", 13)}},
        .statuses = {kWriteFailed, kAccessDenied, kResetting, kDone, kWriteFailed}},
    {.label = "the driver refuses an address of the factory's vendor: Connect succeeds, all 12 digits tell", .typed = "02FAC7112233",
        .adapter = AdapterOnRestart::Refuses, .stored = {{"0000", std::string("02FAC7112233", 13)}}, .statuses = {kResetting, kNotTaken},
        .after = 3000},
    {.label = "a tunnel shows no address of six bytes", .adapter = AdapterOnRestart::Tunnel, .statuses = {kResetting, kNotTaken}, .after = 3000},
    {.label = "the adapter is not back within 20 s", .adapter = AdapterOnRestart::NeverBack, .statuses = {kResetting, kNotBack}, .after = 20000},
    {.label = "... while a window never paints", .adapter = AdapterOnRestart::NeverBack, .disturbance = Road::NeverPainted,
        .statuses = {kResetting, kNotBack}, .after = 20000},
    {.label = "... while messages are sent", .adapter = AdapterOnRestart::NeverBack, .disturbance = Road::SentStream,
        .statuses = {kResetting, kNotBack}, .after = 20000},
    {.label = "factory default: the adapter is not back within 20 s", .factoryDefault = true, .adapter = AdapterOnRestart::NeverBack,
        .stored = {{"0000", std::string(1, '\0')}}, .statuses = {kResetting, kNotBack}, .after = 20000},
    {.label = "a connection that is up and would not go down did not restart; it is connected all the same", .failing = "Disconnect#0",
        .statuses = {kResetting, kRestartFailed}},
    {.label = "a refused Connect is, and the walk goes on", .connections = {{L"Ethernet"}, {L"Ethernet"}}, .failing = "Connect#0",
        .statuses = {kResetting, kRestartFailed}, .restarts = {"Disconnect 0", "Connect 0", "Disconnect 1", "Connect 1"}},
    {.label = "a refused Connect of the named connection: no walk by the adapter's id follows",
        .connections = {{L"Ethernet", kAdapterA}, {L"Wired", kAdapterA}}, .failing = "Connect#0", .statuses = {kResetting, kRestartFailed}},
    {.label = "a refused Connect of a connection found by the adapter's id", .connectionName = L"Gone",
        .connections = {{L"Wi-Fi", kAdapterB}, {L"Ethernet 2", kAdapterA}}, .failing = "Connect#0", .statuses = {kResetting, kRestartFailed},
        .restarts = {"Disconnect 1", "Connect 1"}},
};

// Which connections are restarted: every one of that name, or else every one of the adapter.
const Road kRestartRoads[] = {
    {.label = "every exact match is restarted, in order, Disconnect first",
        .connections = {{L"Ethernet", kAdapterA}, {L"ethernet", kAdapterA}, {L"Ethernet 2"}, {L"Ether"}, {L"Ethernet", kAdapterA}},
        .restarts = {"Disconnect 0", "Connect 0", "Disconnect 4", "Connect 4"}},
    {.label = "prefixes and other cases restart nothing", .connections = {{L"ETHERNET"}, {L"Ethernet 2"}, {L"Ether"}},
        .statuses = {kResetting, kRestartFailed}, .restarts = {}},
    {.label = "the connection of that name, not the adapter's others by its id",
        .connections = {{L"Wired", kAdapterA}, {L"Ethernet", kAdapterA}, {L"Wi-Fi", kAdapterB}}, .restarts = {"Disconnect 1", "Connect 1"}},
    {.label = "without a name that matches, every connection of the adapter is restarted", .connectionName = L"Gone",
        .connections = {{L"Ethernet 2", kAdapterA}, {L"Wi-Fi", kAdapterB}, {L"Ethernet 3", kAdapterA}},
        .restarts = {"Disconnect 0", "Connect 0", "Disconnect 2", "Connect 2"}},
    {.label = "a name that code page 1252 cannot carry is restarted by its adapter's id", .connectionName = kCyrillic,
        .connections = {{kCyrillic, kAdapterA}, {L"Wi-Fi", kAdapterB}}},
    {.label = "connections without properties or name are skipped", .connections = {{L"Ethernet"}, {nullptr, kAdapterA}, {L"Ethernet", kAdapterA}},
        .failing = "GetProperties#0", .failure = S_OK, .restarts = {"Disconnect 2", "Connect 2"}},
    {.label = "code page 1252: e acute", .connectionName = L"Caf\u00E9", .connections = {{L"Caf\u00E9", kAdapterA}}},
    {.label = "code page 1252: the euro sign is U+20AC", .connectionName = L"Euro \u20AC",
        .connections = {{L"Euro \u0080", kAdapterA}, {L"Euro \uFF80", kAdapterA}, {L"Euro \u20AC", kAdapterA}},
        .restarts = {"Disconnect 2", "Connect 2"}},
};

// 12 upper-case hexadecimal digits that begin with 00.
bool LooksGenerated(const std::string& text)
{
    return text.size() == 12 && text.rfind("00", 0) == 0 && text.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

// Plays adapter A when its connection restarts, from its first key with a NetworkAddress.
DWORD g_connectedAt = 0;
void PlayAdapter(const Road& road, const GUID& restarted)
{
    g_connectedAt = VirtualClock::now;
    const auto key = std::find_if(road.driverKeys.begin(), road.driverKeys.end(), [](const auto& k) {
        return k.second == Braced(kIdA) && StoredValue(DriverKey(k.first), "NetworkAddress") != "<none>";
    });
    if (restarted != kAdapterA || key == road.driverKeys.end() || road.adapter == AdapterOnRestart::Refuses)
        return;
    if (road.adapter == AdapterOnRestart::NeverBack)
        ProgramWindow::table.clear();
    else
        BringBackAdapter(key->first, Braced(kIdA), kFactoryA,
            road.adapter == AdapterOnRestart::BackAfter5s ? 5000 : road.adapter == AdapterOnRestart::OldFor1s ? 1000 : 0,
            road.adapter == AdapterOnRestart::Tunnel ? 0 : 6, road.adapter != AdapterOnRestart::TakesWithoutIpv4);
    if (road.adapter == AdapterOnRestart::OldFor1s)
        ProgramWindow::table.push_back({Braced(kIdA), kFactoryA});  // behind the new record, which is not there yet
}

// The most paints of a window that never validates them at one time of the virtual clock: in one serving.
int g_paintsAtOnce = 0;
LRESULT CALLBACK NeverPainted(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    static DWORD at = 0;
    static int atOnce = 0, paints = 0;
    if (message == WM_PAINT)
        atOnce = at == VirtualClock::now ? atOnce + 1 : 1, at = VirtualClock::now, g_paintsAtOnce = std::max(g_paintsAtOnce, atOnce);
    const bool paintsAtLast = message == WM_PAINT && ++paints % 50000 == 0;  // lest a fault hold the suite for ever
    return message == WM_PAINT && !paintsAtLast ? 0 : DefWindowProcA(window, message, wParam, lParam);
}

// What a screen reader finds in the status line when it hears each change of it: its text, painted.
Strings g_heard;
void WINAPI HearEvent(DWORD event, HWND window, LONG object, LONG child)
{
    if (event == EVENT_OBJECT_LIVEREGIONCHANGED && object == OBJID_CLIENT && child == CHILDID_SELF)
        g_heard.push_back(ControlText(window) + (GetUpdateRect(window, nullptr, FALSE) ? " (not painted)" : ""));
    NotifyWinEvent(event, window, object, child);
}

class Change : public ProgramWindow {
protected:
    // Adapter A alone, named "Ethernet", with one driver key; at each restart its driver takes up
    // the address written, after `alsoDuringConnect`, and is back `backAfterMs` after Connect.
    void StartOneAdapter(const std::function<void()>& alsoDuringConnect = {}, DWORD backAfterMs = 0);
    void Seed(const Road& road);
    void Drive(const Road& road);
    void Drive(std::span<const Road> roads)
    {
        ASSERT_EQ(GetACP(), 1252u) << "the names outside ASCII are written in code page 1252";
        for (const Road& road : roads) {
            SCOPED_TRACE(road.label);
            Drive(road);
        }
    }
};

void Change::Seed(const Road& road)
{
    RemoveKey(kAdapterClassKeyPath);
    for (const auto& [key, id] : road.driverKeys) {
        const std::string path = DriverKey(key), unterminated = Braced(kIdA) + std::string(384 - 38, ' ');
        const bool seeded = id == "<384>"  ? SeedValue(path, "NetCfgInstanceId", REG_BINARY, unterminated.data(), 384)
            : id == "<missing>" ? SeedText(path, "DriverDesc", "no id")
                                : SeedText(path, "NetCfgInstanceId", id);
        ASSERT_TRUE(seeded) << path;
    }
    for (const std::string& key : road.readOnlyKeys)
        ASSERT_TRUE(SetKeyReadOnly(DriverKey(key), true)) << DriverKey(key);
    const std::string nameKey = ConnectionKey(kAdapterClassName, kIdA);
    const std::wstring wideNameKey(nameKey.begin(), nameKey.end());
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, wideNameKey.c_str(), L"Name", REG_SZ, road.connectionName,
                  static_cast<DWORD>((wcslen(road.connectionName) + 1) * sizeof(wchar_t))), ERROR_SUCCESS) << nameKey;
    ASSERT_TRUE(SeedText(ConnectionKey(kAdapterClassName, kIdB), "Name", "Wi-Fi")) << ConnectionKey(kAdapterClassName, kIdB);
}

void Change::Drive(const Road& road)
{
    Seed(road);
    if (HasFatalFailure())
        return;
    table = {{Braced(kIdA), kFactoryA}};
    Start({.networks = {road.selection < 0 ? std::vector<GUID>{} : std::vector<GUID>{kAdapterA, kAdapterB}},
        .connections = road.connections, .failing = road.failing, .failure = road.failure,
        .duringConnect = [&road](const GUID& restarted) { PlayAdapter(road, restarted); }, .taskbarButtonCreated = road.taskbarButton});
    foreground = road.inFront ? window : nullptr;
    if (road.selection == 2)
        SendDlgItemMessageA(window, IDC_CONNECTION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Ethernet"));
    if (road.selection > 0)
        SendDlgItemMessageA(window, IDC_CONNECTION, CB_SETCURSEL, road.selection, 0);
    if (road.factoryDefault)
        SendDlgItemMessageA(window, IDC_FACTORY_DEFAULT, BM_CLICK, 0, 0);
    Type(window, IDC_NEW_MAC, road.typed);
    failingWrites = road.failingWrites;
    statusTexts.clear(), statusTimes.clear(), g_heard.clear(), flashes.clear(), g_connectedAt = 0, g_paintsAtOnce = 0;
    void* notify = PatchImport("NotifyWinEvent", reinterpret_cast<void*>(HearEvent));
    static const WNDCLASSA kNeverPaintedClass = {0, NeverPainted, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, "never painted"};
    static const ATOM neverPainted = RegisterClassA(&kNeverPaintedClass);
    if (road.disturbance == Road::NeverPainted)
        CreateWindowA(MAKEINTATOM(neverPainted), "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, window, nullptr, nullptr, nullptr);
    VirtualClock::sentStream = road.disturbance == Road::SentStream ? 100000 : 0;  // ends at last, lest a fault hold the suite

    ASSERT_TRUE(Click(window, IDC_CHANGE_MAC)) << "no answer within a minute";
    PatchImport("NotifyWinEvent", notify);
    VirtualClock::sentStream = 0;
    EXPECT_LE(g_paintsAtOnce, 100) << "paints of a window that never validates them, at once";

    const std::string shown = Text(IDC_NEW_MAC);
    EXPECT_TRUE(road.replaced ? LooksGenerated(shown) : shown == road.typed) << shown;
    for (const auto& [key, value] : road.stored)
        EXPECT_EQ(StoredValue(DriverKey(key), "NetworkAddress"), value == kGenerated ? shown + '\0' : value) << key;
    EXPECT_EQ(statusTexts, road.statuses);
    EXPECT_EQ(g_heard, road.statuses) << "the status line as a screen reader finds it when it hears each change";
    EXPECT_EQ(fakes->Calls(), road.restarts);
    EXPECT_EQ(fakes->LiveRegions(), std::vector<HWND>(road.statuses.empty() ? 0 : 1, GetDlgItem(window, IDC_STATUS)))
        << "the status line becomes a polite live region with its first text";
    // From "Resetting adapter..." on, before the first Disconnect, until the verdict; none where nothing restarts.
    const bool restarting = std::count(road.statuses.begin(), road.statuses.end(), std::string(kResetting)) > 0;
    const Strings progress = {"created", "HrInit", "indeterminate: Resetting adapter..., 0 calls",
        "no progress: " + (road.statuses.empty() ? "" : road.statuses.back()) + ", " + std::to_string(road.restarts.size()) + " calls"};
    EXPECT_EQ(fakes->Taskbar(), restarting && road.taskbarButton ? progress : Strings{}) << "the taskbar's list";
    EXPECT_EQ(flashes, Strings(restarting && !road.inFront, "the main window, its taskbar button until it is in front"));
    if (!road.restarts.empty()) {
        const DWORD after = statusTimes.back() - g_connectedAt;
        EXPECT_TRUE(after >= road.after && after < road.after + 100) << "the outcome came " << after << " ms after Connect";
    }
    EXPECT_EQ(Close(), "");  // (a key that may only be read may still be deleted: the next row removes it)
}

TEST_F(Change, SuccessRoadsWriteRestartAndSayDone) { Drive(kSuccessRoads); }
TEST_F(Change, FailuresAreToldInTheStatusLine) { Drive(kFailureRoads); }
TEST_F(Change, TheRestartFindsTheConnectionByNameOrElseByItsAdaptersId) { Drive(kRestartRoads); }

void Change::StartOneAdapter(const std::function<void()>& alsoDuringConnect, DWORD backAfterMs)
{
    Seed(Road{});  // "Ethernet", and the driver key 0000
    table = {{Braced(kIdA), kFactoryA}};
    Start({.networks = {{kAdapterA}}, .connections = {{L"Ethernet", kAdapterA}}, .duringConnect = [alsoDuringConnect, backAfterMs](const GUID&) {
        if (alsoDuringConnect)
            alsoDuringConnect();
        BringBackAdapter("0000", Braced(kIdA), kFactoryA, backAfterMs);
    }});
}

// Every range of input that Windows queues (WinUser.h): WM_KEYFIRST to WM_KEYLAST, WM_MOUSEFIRST to WM_MOUSEHWHEEL, the
// non-client mouse's, WM_TOUCH to WM_POINTERROUTEDRELEASED, WM_GESTURE, and WM_NCMOUSEHOVER to WM_MOUSELEAVE.
const std::pair<UINT, UINT> kInputRanges[] = {{0x0100, 0x0109}, {0x0200, 0x020E}, {0x00A0, 0x00AD}, {0x0240, 0x0253}, {0x0119, 0x0119}, {0x02A0, 0x02A3}};

bool Queued(UINT first, UINT last)  // for any of the thread's windows
{
    MSG message;
    return PeekMessageA(&message, nullptr, first, last, PM_NOREMOVE | PM_NOYIELD);
}
bool InputQueued()
{
    return std::any_of(std::begin(kInputRanges), std::end(kInputRanges), [](const auto& range) { return Queued(range.first, range.second); });
}
// Each input message to the button as a click or a key on it, the non-client ones to the window's close box.
void PostEveryInputMessage(HWND window, HWND button)
{
    for (const auto& [first, last] : kInputRanges) {
        for (UINT message = first; message <= last; ++message) {
            const bool nonClient = message >= 0x00A0 && message <= 0x00AD, key = message <= 0x0109;
            PostMessageA(nonClient ? window : button, message, nonClient ? HTCLOSE : key ? VK_SPACE : MK_LBUTTON, MAKELPARAM(5, 5));
        }
    }
}

// The pointer's shape at the command's first call to the platform after the press, before any input is
// retrieved; and the log-off held, as Windows holds it from ShutdownBlockReasonCreate until ShutdownBlockReasonDestroy.
bool g_busyAtOnce = false, g_logOffHeld = false;
BOOL WINAPI BlockLogOffNotingThePointer(HWND window, LPCWSTR reason)
{
    g_busyAtOnce = GetCursor() == LoadCursorA(nullptr, IDC_WAIT), g_logOffHeld = true;
    return ShutdownBlockReasonCreate(window, reason);
}
BOOL WINAPI LetLogOffThrough(HWND window) { return g_logOffHeld = false, ShutdownBlockReasonDestroy(window); }

std::vector<DWORD> g_peeks;  // when the program's thread looked at its queue, on the virtual clock
BOOL WINAPI NotedPeek(LPMSG message, HWND window, UINT first, UINT last, UINT remove)
{
    g_peeks.push_back(VirtualClock::now);
    return PeekMessageA(message, window, first, last, remove);
}

// A filter of the test's own, answering as it is told; the command's must give it back.
struct TestsFilter : IMessageFilter {
    DWORD answer = PENDINGMSG_WAITDEFPROCESS;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override { return *out = this, S_OK; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override { return SERVERCALL_ISHANDLED; }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return 0; }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return answer; }
} g_testsFilter;

// The doubles of COM's waits do with each answer of the filter what COM does: a cancelled call fails,
// paint is dispatched only with PENDINGMSG_WAITDEFPROCESS (COM's own), input stays queued whatever the answer.
TEST(ComWait, EachAnswerOfTheMessageFilterIsHonouredAsComHonoursIt)
{
    CoInitialize(nullptr);
    HWND window = CreateWindowExA(WS_EX_NOACTIVATE, "static", "", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr, nullptr, nullptr);
    IMessageFilter* previous = nullptr;
    for (const auto& [filter, answer, done] : {std::tuple{true, DWORD{PENDINGMSG_CANCELCALL}, "cancelled, not painted, key queued"},
             {true, DWORD{PENDINGMSG_WAITNOPROCESS}, "waits on, not painted, key queued"},
             {true, DWORD{PENDINGMSG_WAITDEFPROCESS}, "waits on, painted, key queued"}, {false, DWORD{0}, "waits on, painted, key queued"}}) {
        g_testsFilter.answer = answer;
        CoRegisterMessageFilter(filter ? &g_testsFilter : nullptr, &previous);
        InvalidateRect(window, nullptr, TRUE);
        PostMessageA(window, WM_KEYDOWN, VK_SPACE, 1);
        const bool on = ComCallWait().Wait(0);
        EXPECT_EQ(std::string(on ? "waits on" : "cancelled") + (GetUpdateRect(window, nullptr, FALSE) ? ", not painted" : ", painted")
            + (Queued(WM_KEYDOWN, WM_KEYDOWN) ? ", key queued" : ", key gone"), done) << "answer " << answer;
        for (MSG message; PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageA(&message);
    }
    CoRegisterMessageFilter(nullptr, &previous);
    DestroyWindow(window);
    CoUninitialize();
}

// While the command runs, 15 s with the read-back: the thread retrieves its messages at least every 100 ms
// of the virtual clock; every input message is dropped as it arrives, in COM's waits and in the read-back's,
// and presses posted to each button are dropped once it returns; the pointer is busy; the filter before the
// command's is back afterwards; a close and a log-off wait; the status line is painted, and is the main window's.
TEST_F(Change, WhileTheCommandRunsTheWindowRetrievesItsMessagesDropsInputAndACloseAndALogOffWait)
{
    IMessageFilter* none = nullptr;
    g_testsFilter.answer = PENDINGMSG_WAITDEFPROCESS;
    CoRegisterMessageFilter(&g_testsFilter, &none);
    const int left = comLeft;
    std::string during, dropped, pointer;
    const HCURSOR busy = LoadCursorA(nullptr, IDC_WAIT), arrow = LoadCursorA(nullptr, IDC_ARROW);
    const auto shapeOver = [&](HWND w) {  // as the platform asks each window whenever mouse input over it is retrieved
        SetCursor(arrow);
        SendMessageA(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor() == busy ? "busy" : GetCursor() == arrow ? "the arrow" : "another shape";
    };
    HWND about = nullptr;
    DWORD connectedAt = 0;
    bool connected = false;
    StartOneAdapter([&] {
        connectedAt = VirtualClock::now, connected = true;
        HWND button = GetDlgItem(window, IDC_CHANGE_MAC);
        during = Text(IDC_STATUS) + (GetUpdateRect(GetDlgItem(window, IDC_STATUS), nullptr, FALSE) ? ", not painted, " : ", painted, ");
        // Sent, as the taskbar's Close, an accessibility tool's press and a log-off arrive while COM serves them.
        SendMessageA(window, WM_CLOSE, 0, 0);
        SendMessageA(button, BM_CLICK, 0, 0);
        during += std::string(IsWindow(window) ? "window" : "no window") + ", " + std::to_string(comLeft - left) + " uninitialised"
            + (SendMessageA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF) ? ", log-off let through" : "");
        // Posted: every input message, and a press of each button as an assistive tool presses one.
        PostEveryInputMessage(window, button);
        for (const int id : {2, 1003, 1004, 1006, 1007}) {  // each button: Close, Generate, Change MAC, Refresh, the tick
            PostMessageA(GetDlgItem(window, id), BM_CLICK, 0, 0);
            PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
        }
        SetActiveWindow(about = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_ABOUT), window, AboutDlgProc, 0));
    }, 15000);
    // At the first look after Connect, and 1 s into the read-back: every input message again.
    DWORD postedAt = 0, goneAt = 0;
    duringTableRead = [&] {
        HWND button = GetDlgItem(window, IDC_CHANGE_MAC);
        if (connected && dropped.empty())
            dropped = InputQueued() ? "input queued after Connect" : "input gone after Connect";
        if (connected && !postedAt && VirtualClock::now >= connectedAt + 1000) {
            postedAt = VirtualClock::now;
            pointer = std::string("over the window ") + shapeOver(window) + ", over a button " + shapeOver(button);
            PostEveryInputMessage(window, button);
            InvalidateRect(window, nullptr, TRUE);  // as when uncovered
            dropped += Queued(BM_CLICK, BM_CLICK) && Queued(WM_COMMAND, WM_COMMAND) ? ", presses kept" : ", presses gone";
        } else if (postedAt && !goneAt && !InputQueued()) {
            goneAt = VirtualClock::now;
            dropped += GetUpdateRect(window, nullptr, FALSE) ? ", not painted" : ", painted";
            // A quit asked for meanwhile (a peek of any range takes it), and another posted message.
            PostQuitMessage(7);
            PostMessageA(window, WM_APP, 0, 0);
        }
        if (connected && VirtualClock::now >= connectedAt + 15000)  // at the look that finds the adapter back
            PostEveryInputMessage(window, button);
    };
    void* peek = PatchImport("PeekMessageA", reinterpret_cast<void*>(NotedPeek));
    void* block = PatchImport("ShutdownBlockReasonCreate", reinterpret_cast<void*>(BlockLogOffNotingThePointer));
    void* unblock = PatchImport("ShutdownBlockReasonDestroy", reinterpret_cast<void*>(LetLogOffThrough));
    SetCursor(arrow);
    Type(window, IDC_NEW_MAC, "02AABBCCDD01");
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);  // as when just uncovered
    g_peeks.clear();
    VirtualClock::wakeMasks = 0;

    ASSERT_TRUE(Click(window, IDC_CHANGE_MAC)) << "no answer within a minute";
    PatchImport("PeekMessageA", peek);
    PatchImport("ShutdownBlockReasonCreate", block);
    PatchImport("ShutdownBlockReasonDestroy", unblock);
    std::adjacent_difference(g_peeks.begin(), g_peeks.end(), g_peeks.begin());
    const DWORD longest = *std::max_element(g_peeks.begin() + 1, g_peeks.end());
    EXPECT_LE(longest, 100u) << "the longest time without a look at the queue, virtual ms";
    std::printf("During a read-back of 15 s the thread looked at its queue at most %lu ms apart; input was gone %lu ms after it came.\n", longest,
        goneAt - postedAt);
    EXPECT_EQ(VirtualClock::wakeMasks, DWORD{QS_KEY | QS_MOUSE | QS_SENDMESSAGE | QS_PAINT}) << "input wakes the wait, but not as Windows 7 refuses";
    EXPECT_TRUE(goneAt && goneAt - postedAt <= 100) << "the input posted at " << postedAt << " ms was gone at " << goneAt << " ms";
    EXPECT_EQ(during, "Resetting adapter..., painted, window, 0 uninitialised");
    EXPECT_EQ((g_busyAtOnce ? "busy from the press on, " : "not busy at the press, ") + pointer + (GetCursor() == arrow ? ", the arrow at once after" : ", no arrow after")
            + (g_logOffHeld ? ", a log-off still held up" : ""),
        "busy from the press on, over the window busy, over a button busy, the arrow at once after");
    EXPECT_EQ(dropped, "input gone after Connect, presses kept, painted") << "at the first look after Connect, and a second into the read-back";
    EXPECT_EQ(statusTexts, (Strings{kResetting, kDone}));
    EXPECT_EQ(statusTimes.back() - connectedAt, 15000u) << "Done when the adapter is back";
    EXPECT_EQ(GetActiveWindow(), about) << "the About box was active when the outcome came";
    EXPECT_EQ(Text(IDC_CURRENT_MAC), "02-AA-BB-CC-DD-01") << "the refresh reached the main window before the close";
    MSG message;  // the quit first: a peek of any range takes it
    const bool quit = PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && message.wParam == 7;
    EXPECT_EQ(std::string(quit ? "quit 7" : "") + (Queued(BM_CLICK, BM_CLICK) || Queued(WM_COMMAND, WM_COMMAND) ? ", presses" : "")
        + (InputQueued() ? ", input" : "") + (Queued(WM_APP, WM_APP) ? ", posted" : "") + (IsWindow(window) ? ", open" : ""), "quit 7, posted, open")
        << "of what was posted meanwhile, the quit and another message stay; the presses and the input, also at the last look, go";
    const int reads = tableReads;
    std::string before;  // the close: what the window shows when it comes
    while (IsWindow(window) && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_CLOSE)
            before = Text(IDC_NEW_MAC) + (IsDlgButtonChecked(window, IDC_FACTORY_DEFAULT) ? " ticked" : "") + ", " + std::to_string(tableReads - reads);
        DispatchMessageA(&message);
    }
    EXPECT_EQ(fakes->Calls(), kRestart0) << "neither a second press nor the input ran";
    EXPECT_EQ(before, "02AABBCCDD01, 0") << "neither Generate, the tick nor Refresh ran";
    EXPECT_FALSE(IsWindow(window)) << "the close takes effect once the command has returned";
    IMessageFilter* previous = nullptr;
    CoRegisterMessageFilter(nullptr, &previous);
    EXPECT_EQ(previous, &g_testsFilter) << "the filter before the command's is back";
    EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && message.wParam == 0) << "the close quits with 0";
}

}  // namespace
