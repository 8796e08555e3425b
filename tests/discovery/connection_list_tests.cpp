// The connection list, filled from a Network List Manager double and connection entries
// seeded in Wine's real registry.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "connection_list.h"
#include "program_window_fixture.h"
#include "network_list_double.h"

namespace {

using Strings = std::vector<std::string>;

class ConnectionList : public ::testing::Test, public ProgramWindowTest {
protected:
    void SetUp() override { ASSERT_NE(CreateMainWindow(false), nullptr); }

    void Name(const std::string& subkey, const char* adapterId, const std::string& name)
    {
        ASSERT_TRUE(network.SetString(ConnectionKey(subkey, adapterId), "Name", name));
    }
    void RawName(const std::string& subkey, const char* adapterId, DWORD type, const void* data, DWORD size)
    {
        ASSERT_TRUE(network.SetValue(ConnectionKey(subkey, adapterId), "Name", type, data, size));
    }
};

TEST_F(ConnectionList, ListsNamesInWalkOrderAlignedWithAdapterIdsNeverSortedNorDeduplicated)
{
    // Adapter A is on two connected networks and has named entries under two subkeys.
    Name(kLanSubkey, kAdapterIdA, "Wired");
    Name("{9E0FA3D1-0000-0000-0000-000000000001}", kAdapterIdA, "Wired (second entry)");
    Name(kLanSubkey, kAdapterIdB, "Air");
    NetworkListScript script = OneNetworkOf({kAdapterA, kAdapterB});
    script.networks.push_back({{{kAdapterA}}});
    NetworkListDouble nlm(script);
    ASSERT_TRUE(nlm.Registered());

    Fill();

    EXPECT_EQ(Items(), (Strings{"Wired", "Wired (second entry)", "Air", "Wired", "Wired (second entry)"}));
    EXPECT_EQ(AdapterIdList, (Strings{kAdapterIdA, kAdapterIdA, kAdapterIdB, kAdapterIdA, kAdapterIdA}));
    EXPECT_EQ(nlm.NetworksRequested(), std::vector<NLM_ENUM_NETWORK>{NLM_ENUM_NETWORK_CONNECTED});
    EXPECT_EQ(nlm.Ledger().Unbalanced(), "");
    EXPECT_EQ(nlm.Ledger().Count("INetworkConnection"), 3u);
}

TEST_F(ConnectionList, AdapterIdsKeepLeadingZerosAndUpperCaseInEveryGroup)
{
    Name(kLanSubkey, kAdapterIdA, "Leading zeros");
    Name(kLanSubkey, kAdapterIdB, "Letters");
    NetworkListDouble nlm(OneNetworkOf({kAdapterA, kAdapterB}));

    Fill();

    // The registry lookup only finds the entries when the id is formatted exactly.
    EXPECT_EQ(Items(), (Strings{"Leading zeros", "Letters"}));
    EXPECT_EQ(AdapterIdList, (Strings{kAdapterIdA, kAdapterIdB}));
}

TEST_F(ConnectionList, ListsNamesOfTwoCharactersOrMoreTakenUpToTheirFirstZeroByte)
{
    Name("s0", kAdapterIdA, "");
    Name("s1", kAdapterIdA, "X");
    Name("s2", kAdapterIdA, "XY");
    RawName("s3", kAdapterIdA, REG_BINARY, "Wi\0junk", 7);
    const DWORD letters = 0x00005A4C;  // bytes 4C 5A 00 00: "LZ"
    RawName("s4", kAdapterIdA, REG_DWORD, &letters, sizeof letters);
    RawName("s5", kAdapterIdA, REG_MULTI_SZ, "ab\0cd\0", 7);
    ASSERT_TRUE(network.CreateKey(ConnectionKey("s6", kAdapterIdA)));  // no Name value
    ASSERT_TRUE(network.CreateKey("s7"));                              // no entry for the adapter
    Name("s8", kAdapterIdA, "last");
    NetworkListDouble nlm(OneNetworkOf({kAdapterA}));

    Fill();

    EXPECT_EQ(Items(), (Strings{"XY", "Wi", "LZ", "ab", "last"}));
    EXPECT_EQ(AdapterIdList.size(), 5u);
}

TEST_F(ConnectionList, SubkeyNamesUpTo199CharactersAreReadAndLongerOnesPassedOver)
{
    // Digits first, so that the registry's order is the order written here.
    Name("1" + std::string(107, 'a'), kAdapterIdA, "108 characters");
    Name("2" + std::string(149, 'b'), kAdapterIdA, "150 characters");
    Name("3" + std::string(198, 'c'), kAdapterIdA, "199 characters");
    Name("4" + std::string(199, 'd'), kAdapterIdA, "200 characters");
    Name("5" + std::string(254, 'e'), kAdapterIdA, "255 characters");
    Name("6", kAdapterIdA, "after the long ones");
    NetworkListDouble nlm(OneNetworkOf({kAdapterA}));

    Fill();

    EXPECT_EQ(Items(), (Strings{"108 characters", "150 characters", "199 characters", "after the long ones"}));
    EXPECT_EQ(AdapterIdList.size(), 4u);
}

TEST_F(ConnectionList, NameValuesMustEndWithinTheir200Bytes)
{
    Name("1", kAdapterIdA, std::string(199, 'n'));  // 200 bytes with the terminator
    const std::string full(200, 'f');
    RawName("2", kAdapterIdA, REG_BINARY, full.data(), 200);  // fills the buffer, no terminator
    RawName("3", kAdapterIdA, REG_SZ, full.data(), 200);      // the same, as a string
    Name("4", kAdapterIdA, std::string(200, 'l'));            // 201 bytes: too large
    Name("5", kAdapterIdA, "ok");
    NetworkListDouble nlm(OneNetworkOf({kAdapterA}));

    Fill();

    EXPECT_EQ(Items(), (Strings{std::string(199, 'n'), "ok"}));
    EXPECT_EQ(AdapterIdList.size(), 2u);
}

struct FailureCase {
    const char* name;
    void (*breakScript)(NetworkListScript& script);
    Strings expectedItems;
};

TEST_F(ConnectionList, EachFailureOfTheWalkLeavesOutExactlyWhatItSaysAndReleasesEverything)
{
    Name(kLanSubkey, kAdapterIdA, "Aa");
    Name(kLanSubkey, kAdapterIdB, "Bb");
    Name(kLanSubkey, kAdapterIdC, "Cc");
    // Network 1 carries A and B, network 2 carries C.
    const FailureCase cases[] = {
        {"no failure", [](NetworkListScript&) {}, {"Aa", "Bb", "Cc"}},
        {"CoCreateInstance fails", [](NetworkListScript& s) { s.createInstance = E_FAIL; }, {}},
        {"GetNetworks fails", [](NetworkListScript& s) { s.getNetworks = E_FAIL; }, {}},
        {"GetNetworks gives no enumerator", [](NetworkListScript& s) { s.withoutNetworkEnumerator = true; }, {}},
        {"first network Next fails", [](NetworkListScript& s) { s.networksNextFailsAt = 0; }, {}},
        {"second network Next fails", [](NetworkListScript& s) { s.networksNextFailsAt = 1; }, {"Aa", "Bb"}},
        {"GetNetworkConnections fails", [](NetworkListScript& s) { s.networks[0].getConnections = E_FAIL; }, {"Cc"}},
        {"GetNetworkConnections gives no enumerator",
            [](NetworkListScript& s) { s.networks[0].withoutConnectionEnumerator = true; }, {"Cc"}},
        {"second connection Next fails", [](NetworkListScript& s) { s.networks[0].connectionsNextFailsAt = 1; },
            {"Aa", "Cc"}},
        {"GetAdapterId fails", [](NetworkListScript& s) { s.networks[0].connections[0].getAdapterId = E_FAIL; },
            {"Bb", "Cc"}},
    };
    for (const FailureCase& failure : cases) {
        SCOPED_TRACE(failure.name);
        SendMessageA(List(), CB_RESETCONTENT, 0, 0);
        NetworkListScript script = OneNetworkOf({kAdapterA, kAdapterB});
        script.networks.push_back({{{kAdapterC}}});
        failure.breakScript(script);
        NetworkListDouble nlm(script);
        ASSERT_TRUE(nlm.Registered());

        Fill();

        EXPECT_EQ(Items(), failure.expectedItems);
        EXPECT_EQ(AdapterIdList.size(), failure.expectedItems.size());
        EXPECT_EQ(nlm.Ledger().Unbalanced(), "") << "every object obtained is released exactly once";
    }
}

TEST_F(ConnectionList, FillStartsFromAnEmptyAdapterIdListAndWithoutNetworksStaysEmpty)
{
    AdapterIdList = {"stale", "entries"};
    Name(kLanSubkey, kAdapterIdA, "Aa");
    NetworkListDouble nlm(NetworkListScript{});

    Fill();

    EXPECT_EQ(Items(), Strings{});
    EXPECT_EQ(AdapterIdList, Strings{});
}

TEST_F(ConnectionList, WithoutTheNetworkKeyNoAdapterGetsAnItem)
{
    network.Remove();
    NetworkListDouble nlm(OneNetworkOf({kAdapterA, kAdapterB}));

    Fill();

    EXPECT_EQ(Items(), Strings{});
    EXPECT_EQ(nlm.Ledger().Unbalanced(), "");
}

// A stand-in for the drop-down list that deletes the Network key when the first item
// arrives, so that every later enumeration of the still open key fails.
struct KeyDeletingList {
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message != CB_ADDSTRING)
            return DefWindowProcA(window, message, wParam, lParam);
        items.push_back(reinterpret_cast<const char*>(lParam));
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kNetworkKeyPath);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kNetworkKeyPath);
        return static_cast<LRESULT>(items.size() - 1);
    }
    static DWORD WINAPI Walk(void*)
    {
        HWND list = CreateWindowA("KeyDeletingList", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        AddConnectionForAdapter(list, kAdapterIdA);
        DestroyWindow(list);
        return 0;
    }
    static inline Strings items;
};

TEST_F(ConnectionList, SubkeyWalkEndsWhenTheNetworkKeyIsDeletedDuringIt)
{
    Name("1", kAdapterIdA, "first");
    Name("2", kAdapterIdA, "second");

    // The premise: a deleted key's enumeration keeps failing with something other than the end.
    HKEY stale = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kNetworkKeyPath, 0, KEY_READ, &stale), ERROR_SUCCESS);
    RegistryScratch(kNetworkKeyPath).Remove();
    char name[200] = {};
    const LONG staleStatus = RegEnumKeyA(stale, 0, name, sizeof name);
    RegCloseKey(stale);
    ASSERT_NE(staleStatus, ERROR_SUCCESS);
    ASSERT_NE(staleStatus, ERROR_NO_MORE_ITEMS) << "this platform ends the walk of a deleted key by itself";

    Name("1", kAdapterIdA, "first");
    Name("2", kAdapterIdA, "second");
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = KeyDeletingList::Proc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KeyDeletingList";
    RegisterClassA(&windowClass);

    // On a thread of its own, so that a walk that never ends fails the test instead of hanging it.
    HANDLE walker = CreateThread(nullptr, 0, KeyDeletingList::Walk, nullptr, 0, nullptr);
    ASSERT_NE(walker, nullptr);
    const DWORD waited = WaitForSingleObject(walker, 10000);
    if (waited != WAIT_OBJECT_0)
        TerminateThread(walker, 1);
    CloseHandle(walker);
    ASSERT_EQ(waited, WAIT_OBJECT_0) << "the walk did not end";
    EXPECT_EQ(KeyDeletingList::items, Strings{"first"});
    EXPECT_EQ(AdapterIdList, Strings{kAdapterIdA}) << "what was added before the failure stays";
}

}  // namespace
