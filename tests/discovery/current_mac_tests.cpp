// The current address: the first selection at start-up, selection changes and Refresh in
// the program's own main window, with an adapter table double.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "adapter_table_double.h"
#include "connection_list.h"
#include "current_mac.h"
#include "program_window_fixture.h"
#include "network_list_double.h"
#include "resource.h"

namespace {

const std::string kBracedA = std::string("{") + kAdapterIdA + "}";
const std::string kBracedB = std::string("{") + kAdapterIdB + "}";
const std::array<BYTE, 8> kAddressA = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x77, 0x88};
const std::array<BYTE, 8> kAddressB = {0x0A, 0xBC, 0xDE, 0xF0, 0x01, 0x02, 0, 0};

// The program's main window listing "Wired" (adapter A) and then "Air" (adapter B).
class CurrentMac : public ::testing::Test, public ProgramWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(network.SetString(ConnectionKey(kLanSubkey, kAdapterIdA), "Name", "Wired"));
        ASSERT_TRUE(network.SetString(ConnectionKey(kLanSubkey, kAdapterIdB), "Name", "Air"));
    }

    void Start(std::vector<GUID> adapters = {kAdapterA, kAdapterB})
    {
        NetworkListDouble nlm(OneNetworkOf(adapters));
        ASSERT_NE(CreateMainWindow(true), nullptr);
    }

    std::string Shown() const
    {
        char text[64] = {};
        GetDlgItemTextA(Window(), IDC_CURRENT_MAC, text, sizeof text);
        return text;
    }
    void Select(int index, WORD notification = CBN_SELCHANGE)
    {
        SendMessageA(List(), CB_SETCURSEL, index, 0);
        SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(IDC_CONNECTION, notification), reinterpret_cast<LPARAM>(List()));
    }
    void PressRefresh()
    {
        HWND button = GetDlgItem(Window(), IDC_REFRESH);
        SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(IDC_REFRESH, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    }

    AdapterTableDouble table{{{kBracedB, kAddressB}, {kBracedA, kAddressA}}};
};

TEST_F(CurrentMac, StartSelectsTheFirstConnectionAndShowsItsAddressFromAFreshTable)
{
    Start();
    EXPECT_EQ(SendMessageA(List(), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(Shown(), "00-1A-2B-3C-4D-5E");
    EXPECT_EQ(table.Reads(), 1);
    EXPECT_EQ(table.LastSizeOffered(), 11264u);
}

TEST_F(CurrentMac, SelectionChangeShowsTheOtherAddressAtOnceAndOtherNotificationsDoNothing)
{
    Start();
    Select(1);
    EXPECT_EQ(Shown(), "0A-BC-DE-F0-01-02");

    const int reads = table.Reads();
    Select(0, CBN_DROPDOWN);
    Select(0, CBN_CLOSEUP);
    EXPECT_EQ(Shown(), "0A-BC-DE-F0-01-02");
    EXPECT_EQ(table.Reads(), reads);
}

TEST_F(CurrentMac, RefreshReadsTheTableAgainAndLeavesTheStatusLineAlone)
{
    Start();
    SetDlgItemTextA(Window(), IDC_STATUS, "Done");
    table.SetAdapters({{kBracedA, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54}}});

    PressRefresh();
    EXPECT_EQ(Shown(), "FE-DC-BA-98-76-54");

    // The command sent after a change: code 0, no control.
    table.SetAdapters({{kBracedA, {0x02, 0, 0, 0, 0, 0x01}}});
    SendMessageA(Window(), WM_COMMAND, IDC_REFRESH, 0);
    EXPECT_EQ(Shown(), "02-00-00-00-00-01");

    char status[32] = {};
    GetDlgItemTextA(Window(), IDC_STATUS, status, sizeof status);
    EXPECT_STREQ(status, "Done");
}

TEST_F(CurrentMac, OnlyTheFirstExactNameMatchesWhateverItsAddressLength)
{
    std::string lowerCase = kBracedA;
    for (char& c : lowerCase)
        c = static_cast<char>(tolower(c));
    table.SetAdapters({
        {lowerCase, {1, 1, 1, 1, 1, 1}},
        {kBracedA + "0", {2, 2, 2, 2, 2, 2}},
        {kBracedA.substr(0, kBracedA.size() - 1), {3, 3, 3, 3, 3, 3}},
        {kBracedA, {0xA0, 0xB1, 0xC2, 0xD3, 0xE4, 0xF5}, 0},
        {kBracedA, {4, 4, 4, 4, 4, 4}},
    });
    Start();
    EXPECT_EQ(Shown(), "A0-B1-C2-D3-E4-F5");
}

std::vector<ScriptedAdapter> Filler(int count)
{
    std::vector<ScriptedAdapter> adapters;
    for (int i = 0; i < count; ++i)
        adapters.push_back({"{filler-" + std::to_string(i) + "}", {}});
    return adapters;
}

TEST_F(CurrentMac, ATableOf17AdaptersShowsNothingEvenForOneThatWouldFit)
{
    std::vector<ScriptedAdapter> sixteen = Filler(15);
    sixteen.push_back({kBracedA, kAddressA});
    table.SetAdapters(sixteen);
    Start();
    EXPECT_EQ(Shown(), "00-1A-2B-3C-4D-5E") << "16 records fit";

    std::vector<ScriptedAdapter> seventeen = {{kBracedA, {9, 9, 9, 9, 9, 9}}};
    for (const ScriptedAdapter& filler : Filler(16))
        seventeen.push_back(filler);
    table.SetAdapters(seventeen);
    PressRefresh();
    EXPECT_EQ(Shown(), "00-1A-2B-3C-4D-5E");
    EXPECT_EQ(table.Reads(), 2) << "no second attempt with a larger buffer";
}

TEST_F(CurrentMac, AFailedLookupKeepsThePreviousText)
{
    table.SetAdapters({{kBracedA, kAddressA}});
    Start();
    Select(1);  // adapter B is not in the table
    EXPECT_EQ(Shown(), "00-1A-2B-3C-4D-5E");

    table.SetAdapters({});  // no adapters at all: ERROR_NO_DATA
    Select(0);
    PressRefresh();
    EXPECT_EQ(Shown(), "00-1A-2B-3C-4D-5E");
}

TEST_F(CurrentMac, WithAnEmptyListNothingIsSelectedShownOrRead)
{
    Start({});
    EXPECT_EQ(SendMessageA(List(), CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(Shown(), "");
    PressRefresh();
    EXPECT_EQ(Shown(), "");
    EXPECT_EQ(table.Reads(), 0);
}

TEST_F(CurrentMac, AnIndexOutsideTheAdapterIdsLooksForAnEmptyName)
{
    Start();
    table.SetAdapters({{kBracedA, {7, 7, 7, 7, 7, 7}}});
    ShowCurrentMac(Window(), 2);
    EXPECT_EQ(Shown(), "00-1A-2B-3C-4D-5E");

    table.SetAdapters({{kBracedA, {7, 7, 7, 7, 7, 7}}, {"", {0x11, 0x22, 0x33, 0x44, 0x55, 0x66}}});
    ShowCurrentMac(Window(), 2);
    EXPECT_EQ(Shown(), "11-22-33-44-55-66");
}

}  // namespace
