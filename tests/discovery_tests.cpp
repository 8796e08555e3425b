// The connection list and the current address in the program's own main window: connection entries
// in Wine's registry, networks from the Network List Manager fake, the adapter table the test's.
#include <windows.h>

#include <tuple>

#include "connection_list.h"
#include "current_mac.h"
#include "program_window.h"
#include "resource.h"

namespace {

using Strings = std::vector<std::string>;

class Discovery : public ProgramWindow {
protected:
    Discovery()
    {
        table = {{Braced(kIdA), {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}}, {Braced(kIdB), {0x0A, 0xBC, 0xDE, 0xF0, 0x01, 0x02}},
            {Braced(kIdC), {0xC0, 0, 0, 0, 0, 0x0C}}};
    }
    void Name(const std::string& subkey, const char* id, const std::string& name)
    {
        ASSERT_TRUE(SeedText(ConnectionKey(subkey, id), "Name", name)) << ConnectionKey(subkey, id);
    }
    // The current address shown for each item in turn, as a user would see it choosing them.
    Strings AddressOfEachItem()
    {
        Strings shown;
        for (size_t i = 0; i < Items(window).size(); ++i) {
            Select(window, static_cast<int>(i));
            shown.push_back(Text(IDC_CURRENT_MAC));
        }
        return shown;
    }
};

const std::string kShownA = "00-1A-2B-3C-4D-5E", kShownB = "0A-BC-DE-F0-01-02", kShownC = "C0-00-00-00-00-0C";

TEST_F(Discovery, ListsNamesOfTwoCharactersOrMoreUpToTheirFirstZeroAndSubkeysOfUpTo199Characters)
{
    // The registry walks subkeys in the order of their names: the digits keep it as written.
    const std::string full(200, 'f');
    const DWORD letters = 0x00005A4C;  // bytes 4C 5A 00 00: "LZ"
    const struct {
        std::string subkey;
        DWORD type;
        std::string data;  // as stored, terminator included where there is one
    } entries[] = {
        {"10", REG_SZ, std::string("", 1)},
        {"11", REG_SZ, std::string("X", 2)},
        {"12", REG_SZ, std::string("XY", 3)},
        {"13", REG_BINARY, std::string("Wi\0junk", 7)},
        {"14", REG_DWORD, std::string(reinterpret_cast<const char*>(&letters), 4)},
        {"15", REG_MULTI_SZ, std::string("ab\0cd\0", 7)},
        {"16", REG_SZ, std::string(199, 'n') + '\0'},  // 200 bytes
        {"17", REG_BINARY, full},                     // fills the 200 bytes without a terminator
        {"18", REG_SZ, full + '\0'},                  // 201 bytes: too large
        {"2" + std::string(107, 'a'), REG_SZ, std::string("108", 4)},
        {"3" + std::string(198, 'c'), REG_SZ, std::string("199", 4)},
        {"4" + std::string(199, 'd'), REG_SZ, std::string("200", 4)},
        {"5" + std::string(254, 'e'), REG_SZ, std::string("255", 4)},
        {"6", REG_SZ, std::string("after the long ones", 20)},
    };
    for (const auto& entry : entries)
        ASSERT_TRUE(SeedValue(ConnectionKey(entry.subkey, kIdA), "Name", entry.type, entry.data.data(), static_cast<DWORD>(entry.data.size())))
            << entry.subkey;
    ASSERT_TRUE(SeedText(ConnectionKey("19", kIdA), "NotName", "an entry without a name")) << "19";
    ASSERT_TRUE(SeedText(std::string(kNetworkKeyPath) + "\\7", "Unrelated", "no entry for the adapter")) << "7";
    Start({.networks = {{kAdapterA}}});

    EXPECT_EQ(Items(window), (Strings{"XY", "Wi", "LZ", "ab", std::string(199, 'n'), "108", "199", "after the long ones"}));
    EXPECT_EQ(AddressOfEachItem(), Strings(8, kShownA));
    EXPECT_EQ(Close(), "");
}

// Also what a failure of the Network List Manager's walk leaves out (that nothing is left behind,
// the fault sweep shows).
TEST_F(Discovery, EachReportOfAConnectedNetworkListsItsAdaptersNamedEntriesInSubkeyOrderWithTheAdaptersId)
{
    // The ids keep their leading zeros and letters, or neither the entries nor the adapters are found.
    const std::string lowerC = Lowered(kIdC), lan = kAdapterClassName;
    Strings eighteen, eighteenShown;  // A, B and C on each of six networks
    for (int network = 0; network < 6; ++network)
        eighteen.insert(eighteen.end(), {"Aa", "Bb", "Cc"}), eighteenShown.insert(eighteenShown.end(), {kShownA, kShownB, kShownC});
    const struct {
        const char* label;
        std::vector<std::tuple<std::string, std::string, std::string>> entries;  // subkey, adapter id, name
        std::vector<std::vector<GUID>> networks;
        Strings items, shown;
        const char* failing = "";
        std::vector<std::vector<GUID>> disconnected = {};
    } cases[] = {
        {"an adapter on two networks, with entries under two subkeys",
            {{"1", kIdA, "Wired (older entry)"}, {lan, kIdA, "Wired"}, {lan, kIdB, "Air"}, {lan, kIdC, "Cell"}},
            {{kAdapterA, kAdapterB}, {kAdapterC, kAdapterA}}, {"Wired (older entry)", "Wired", "Air", "Cell", "Wired (older entry)", "Wired"},
            {kShownA, kShownA, kShownB, kShownC, kShownA, kShownA}},
        {"an adapter under two subkeys, reported by two networks, interleaved with another",
            {{"1", kIdB, "b1"}, {"1", kIdA, "a1"}, {"3", kIdA, "a3"}, {"2", kIdB, "b2"}}, {{kAdapterA, kAdapterB}, {kAdapterB, kAdapterA}},
            {"a1", "a3", "b1", "b2", "b1", "b2", "a1", "a3"}, {kShownA, kShownA, kShownB, kShownB, kShownB, kShownB, kShownA, kShownA}},
        {"reported twice by one network, an adapter without entries between",
            {{"1", kIdA, "a1"}, {"2", kIdA, "a2"}}, {{kAdapterA, kAdapterC, kAdapterA}}, {"a1", "a2", "a1", "a2"}, Strings(4, kShownA)},
        {"in the order of the reports, not of the keys under a subkey, whose names the registry compares in any case, whole",
            {{"1", lowerC, "c1"}, {"1", kIdA, "a1"}, {"1", kIdB, "b1"}, {"1", kIdB + std::string("} (copy)"), "b copy"}},
            {{kAdapterB, kAdapterC, kAdapterA}}, {"b1", "c1", "a1"}, {kShownB, kShownC, kShownA}},
        {"18 items: the lists grow past their first 16 entries", {{lan, kIdA, "Aa"}, {lan, kIdB, "Bb"}, {lan, kIdC, "Cc"}},
            std::vector<std::vector<GUID>>(6, {kAdapterA, kAdapterB, kAdapterC}),
            eighteen, eighteenShown},
        {"a failed GetAdapterId leaves out that connection", {{lan, kIdA, "Aa"}, {lan, kIdB, "Bb"}, {lan, kIdC, "Cc"}},
            {{kAdapterA, kAdapterB}, {kAdapterC}}, {"Bb", "Cc"}, {kShownB, kShownC}, "GetAdapterId#0"},
        {"a failed step of a network's connections ends that network's walk, not the next one's",
            {{lan, kIdA, "Aa"}, {lan, kIdB, "Bb"}, {lan, kIdC, "Cc"}}, {{kAdapterA, kAdapterB}, {kAdapterC}}, {"Aa", "Cc"}, {kShownA, kShownC},
            "IEnumNetworkConnections::Next#1"},
        {"a failed step of the networks ends the walk", {{lan, kIdA, "Aa"}, {lan, kIdB, "Bb"}, {lan, kIdC, "Cc"}},
            {{kAdapterA, kAdapterB}, {kAdapterC}}, {"Aa", "Bb"}, {kShownA, kShownB}, "IEnumNetworks::Next#1"},
        {"no connected network: nothing is listed, selected or shown", {{lan, kIdA, "Aa"}}, {}, {}, {}, "", {{kAdapterA}}},
        {"an adapter on a disconnected network only is not listed", {{lan, kIdA, "Aa"}, {lan, kIdB, "Bb"}}, {{kAdapterA}}, {"Aa"}, {kShownA}, "",
            {{kAdapterB, kAdapterA}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        RemoveKey(kNetworkKeyPath);
        for (const auto& [subkey, id, name] : c.entries)
            Name(subkey, id.c_str(), name);
        Start({.networks = c.networks, .disconnectedNetworks = c.disconnected, .failing = c.failing});
        EXPECT_EQ(Items(window), c.items);
        EXPECT_EQ(SendDlgItemMessageA(window, IDC_CONNECTION, CB_GETCURSEL, 0, 0), c.items.empty() ? CB_ERR : 0);
        EXPECT_EQ(Text(IDC_CURRENT_MAC), c.shown.empty() ? "" : c.shown[0]) << "the first connection's address is shown at start";
        const int reads = tableReads;
        Click(window, IDC_REFRESH);
        EXPECT_EQ(tableReads - reads, c.items.empty() ? 0 : 1) << "Refresh without a selection reads nothing";
        EXPECT_EQ(AddressOfEachItem(), c.shown) << "each item keeps its adapter's id";
        EXPECT_EQ(Close(), "");
    }
}

void SelectFirst(HWND window) { Select(window, 0); }
void SelectSecond(HWND window) { Select(window, 1); }

TEST_F(Discovery, EachLookupShowsTheAddressThatTheTableHoldsNowOrEmptiesTheBox)
{
    Name(kAdapterClassName, kIdA, "Aa");
    Name(kAdapterClassName, kIdB, "Bb");
    table.assign(15, {"{filler}", {9, 9, 9, 9, 9, 9}});
    table.push_back({Braced(kIdA), {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}});
    Start({.networks = {{kAdapterA, kAdapterB}}});
    EXPECT_EQ(Text(IDC_CURRENT_MAC), kShownA) << "16 records fit the first read";
    EXPECT_EQ(tableReads, 1);
    SetDlgItemTextA(window, IDC_STATUS, "Done");
    const std::string lowerB = Lowered(Braced(kIdB));
    const TableRecord sevens = {Braced(kIdA), {7, 7, 7, 7, 7, 7}}, eights = {Braced(kIdB), {8, 8, 8, 8, 8, 8}};
    const auto behind = [](size_t fillers, const TableRecord& last) {
        std::vector<TableRecord> records(fillers, {"{filler}", {9, 9, 9, 9, 9, 9}});
        records.push_back(last);
        return records;
    };
    const struct {
        const char* label;
        std::vector<TableRecord> records;
        int growth;  // answers that the table does not fit, after which it gains a record
        void (*act)(HWND window);
        const char* shown;
        int reads;
    } lookups[] = {
        {"the first record named exactly so, its six address bytes",
            {{lowerB, {1, 1, 1, 1, 1, 1}}, {Braced(kIdB) + "0", {2, 2, 2, 2, 2, 2}}, {Braced(kIdB).substr(0, 37), {3, 3, 3, 3, 3, 3}},
                {Braced(kIdB), {0xA0, 0xB1, 0xC2, 0xD3, 0xE4, 0xF5, 0x77}}, {Braced(kIdB), {4, 4, 4, 4, 4, 4}}},
            0, SelectSecond, "A0-B1-C2-D3-E4-F5", 1},
        {"an adapter without IPv4, in GetAdaptersAddresses' table alone", {sevens, {Braced(kIdB), {0x0E, 1, 2, 3, 4, 5}, 6, 0, false}}, 0,
            SelectSecond, "0E-01-02-03-04-05", 1},
        {"a record without an address of six bytes (a FireWire adapter's has 8): the box is emptied",
            {{Braced(kIdB), {1, 2, 3, 4, 5, 6, 7, 8}, 8}, {Braced(kIdB), {4, 4, 4, 4, 4, 4}}}, 0, SelectSecond, "", 1},
        {"the adapter is not in the table: the box is emptied, not left with another's address", {sevens}, 0, SelectSecond, "", 1},
        {"17 records: read again into a block of the size asked for", behind(16, sevens), 0, SelectFirst, "07-07-07-07-07-07", 2},
        {"no adapters at all", {}, 0, SelectFirst, "", 1},
        {"100 records, the adapter last", behind(99, eights), 0, SelectSecond, "08-08-08-08-08-08", 2},
        {"a table that grew between two reads is read once more", behind(16, sevens), 1, SelectFirst, "07-07-07-07-07-07", 3},
        {"Refresh", {{Braced(kIdA), {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54}}}, 0, [](HWND w) { Click(w, IDC_REFRESH); }, "FE-DC-BA-98-76-54", 1},
        {"tables that keep growing are read four times each, then the box is emptied", behind(30, sevens), 8, SelectFirst, "", 4},
        {"tables of more than 1 MiB are not read", behind(3000, sevens), 0, SelectFirst, "", 1},
        {"other notifications of the list", {eights}, 0, [](HWND w) {
             SendDlgItemMessageA(w, IDC_CONNECTION, CB_SETCURSEL, 1, 0);
             for (WORD notification : {CBN_DROPDOWN, CBN_CLOSEUP, CBN_SELENDOK})
                 SendMessageA(w, WM_COMMAND, MAKEWPARAM(IDC_CONNECTION, notification), 0);
         }, "", 0},
        {"an index past the ids looks for an empty name", {sevens, {"", {0x11, 0x22, 0x33, 0x44, 0x55, 0x66}}}, 0,
            [](HWND w) { ShowCurrentMac(w, 2); }, "11-22-33-44-55-66", 1},
    };
    for (const auto& lookup : lookups) {
        SCOPED_TRACE(lookup.label);
        table = lookup.records;
        growthBetweenReads = lookup.growth;
        const int reads = tableReads;
        lookup.act(window);
        EXPECT_EQ(Text(IDC_CURRENT_MAC), lookup.shown);
        EXPECT_EQ(tableReads - reads, lookup.reads);
    }
    EXPECT_EQ(tableOverruns, 0) << "a read told of more room than it had";
    EXPECT_EQ(Text(IDC_STATUS), "Done") << "looking up leaves the status line alone";
    EXPECT_EQ(Close(), "");
}

}  // namespace
