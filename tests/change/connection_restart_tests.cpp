// RestartConnection against a connection-manager double registered in-process and the
// Netshell.dll double next to the tests.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "change_fixture.h"
#include "connection_manager_double.h"
#include "connection_restart.h"
#include "status_texts.h"

namespace {

using Calls = std::vector<std::string>;

class Restart : public StatusLineTest {
protected:
    void SetUp() override
    {
        StatusLineTest::SetUp();
        ASSERT_TRUE(netshell_.Loaded()) << "the Netshell.dll double is not next to the tests";
    }

    // Every block handed out was freed exactly once, every object released exactly once, and
    // the program let go of Netshell.dll.
    void ExpectEverythingReleased(const ConnectionManagerDouble& manager)
    {
        std::vector<const void*> handedOut = manager.BlocksHandedOut();
        std::vector<const void*> freed = netshell_.Freed();
        std::sort(handedOut.begin(), handedOut.end());
        std::sort(freed.begin(), freed.end());
        EXPECT_EQ(freed, handedOut);
        EXPECT_EQ(manager.Ledger().Unbalanced(), "");
        EXPECT_TRUE(netshell_.ProgramReleasedIt());
    }

    NetshellDoubleHold netshell_;
};

ConnectionManagerScript Named(std::vector<std::wstring> names)
{
    ConnectionManagerScript script;
    for (const std::wstring& name : names)
        script.connections.push_back({name});
    return script;
}

TEST_F(Restart, RestartsEveryExactMatchInEnumerationOrderDisconnectFirst)
{
    ConnectionManagerDouble manager(Named({L"Ethernet", L"ethernet", L"Ethernet 2", L"Ether", L"Ethernet"}));
    ASSERT_TRUE(manager.Registered());

    EXPECT_EQ(RestartConnection("Ethernet"), nullptr);

    EXPECT_EQ(manager.Calls(), (Calls{"EnumConnections 0", "Disconnect 0", "Connect 0", "Disconnect 4", "Connect 4"}));
    EXPECT_EQ(StatusTexts(), Calls{}) << "a restart that works says nothing";
    EXPECT_EQ(manager.BlocksHandedOut().size(), 5u);
    ExpectEverythingReleased(manager);
}

TEST_F(Restart, PrefixOrCaseMismatchesRestartNothingAndSaySo)
{
    for (const char* name : {"Ethernet 2", "ETHERNET", "Ether", "Ethernet 22"}) {
        SCOPED_TRACE(name);
        ConnectionManagerDouble manager(Named({L"Ethernet", L"Ethernet 222"}));
        EXPECT_STREQ(RestartConnection(name), kStatusRestartFailed);
        EXPECT_EQ(manager.Calls(), Calls{"EnumConnections 0"});
        ExpectEverythingReleased(manager);
    }
    EXPECT_EQ(StatusTexts().back(), kStatusRestartFailed);
}

TEST_F(Restart, ConnectionsWithoutPropertiesOrNameAreSkipped)
{
    ConnectionManagerScript script = Named({L"Ethernet", L"Ethernet", L"Ethernet"});
    script.connections[0].withoutProperties = true;
    script.connections[1].withoutName = true;
    ConnectionManagerDouble manager(script);

    EXPECT_EQ(RestartConnection("Ethernet"), nullptr);
    EXPECT_EQ(manager.Calls(), (Calls{"EnumConnections 0", "Disconnect 2", "Connect 2"}));
    EXPECT_EQ(manager.BlocksHandedOut().size(), 2u);
    ExpectEverythingReleased(manager);
}

TEST_F(Restart, AFailedConnectIsAFailureAndAFailedDisconnectIsNot)
{
    ConnectionManagerScript downAlready = Named({L"Ethernet"});
    downAlready.connections[0].disconnect = E_FAIL;
    {
        ConnectionManagerDouble manager(downAlready);
        EXPECT_EQ(RestartConnection("Ethernet"), nullptr);
        ExpectEverythingReleased(manager);
    }

    ConnectionManagerScript refused = Named({L"Ethernet", L"Ethernet"});
    refused.connections[0].connect = HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER);
    ConnectionManagerDouble manager(refused);
    EXPECT_STREQ(RestartConnection("Ethernet"), kStatusRestartFailed);
    EXPECT_EQ(manager.Calls(), (Calls{"EnumConnections 0", "Disconnect 0", "Connect 0", "Disconnect 1", "Connect 1"}))
        << "the walk goes on after a refused Connect";
    EXPECT_EQ(StatusTexts(), Calls{kStatusRestartFailed});
    ExpectEverythingReleased(manager);
}

TEST_F(Restart, WithoutManagerOrEnumeratorNothingIsRestartedAndNetshellIsFreed)
{
    ConnectionManagerScript noManager = Named({L"Ethernet"});
    noManager.createInstance = REGDB_E_CLASSNOTREG;
    {
        ConnectionManagerDouble manager(noManager);
        EXPECT_STREQ(RestartConnection("Ethernet"), kStatusRestartFailed);
        EXPECT_EQ(manager.Ledger().Count(), 0u);
        ExpectEverythingReleased(manager);
    }
    ConnectionManagerScript noEnumerator = Named({L"Ethernet"});
    noEnumerator.withoutEnumerator = true;
    ConnectionManagerDouble manager(noEnumerator);
    EXPECT_STREQ(RestartConnection("Ethernet"), kStatusRestartFailed);
    EXPECT_EQ(manager.Ledger().Count("INetConnectionManager"), 1u);
    ExpectEverythingReleased(manager);
}

TEST_F(Restart, NamesOutsideAsciiAreWidenedWithTheAnsiCodePage)
{
    ASSERT_EQ(GetACP(), 1252u) << "the cases below are written in code page 1252";
    // 0xE9 is e-acute; 0x80 is the euro sign, U+20AC, not a unit of 0x0080 or 0xFF80.
    ConnectionManagerDouble manager(Named({L"Caf\u00E9", L"Euro \u20AC", L"Euro \u0080", L"Euro \uFF80"}));

    EXPECT_EQ(RestartConnection("Caf\xE9"), nullptr);
    EXPECT_EQ(RestartConnection("Euro \x80"), nullptr);

    EXPECT_EQ(manager.Calls(),
        (Calls{"EnumConnections 0", "Disconnect 0", "Connect 0", "EnumConnections 0", "Disconnect 1", "Connect 1"}));
    ExpectEverythingReleased(manager);
}

}  // namespace
