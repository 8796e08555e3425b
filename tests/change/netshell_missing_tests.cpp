// Without a usable Netshell.dll. These cases run from folders of their own: one where no
// Netshell.dll lies next to the test, one where it lacks NcFreeNetconProperties.
#include <gtest/gtest.h>

#include <windows.h>


#include "app_globals.h"
#include "change_fixture.h"
#include "connection_manager_double.h"
#include "connection_restart.h"
#include "network_address.h"
#include "registry_scratch.h"
#include "resource.h"
#include "status_texts.h"
#include "test_adapters.h"
#include "test_paths.h"

namespace {

class NetshellUnusable : public StatusLineTest {
protected:
    static bool NetshellNextToTest()
    {
        return GetFileAttributesA((TestDirectory() + "Netshell.dll").c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    ConnectionManagerDouble connections_{ConnectionManagerScript{S_OK, false, {{L"Ethernet"}}}};
};

// A change whose restart fails keeps the restart's message, not "Done", and still refreshes.
void ExpectChangeEndsWith(const char* message)
{
    RegistryScratch classKey(kAdapterClassKeyPath);
    const std::string braced = std::string("{") + kAdapterIdA + "}";
    ASSERT_TRUE(classKey.SetString("0000", "NetCfgInstanceId", braced));
    ApplyNetworkAddress("Ethernet", braced.c_str(), "001122334455");
    DWORD type = 0;
    std::string stored;
    ASSERT_TRUE(classKey.GetValue("0000", "NetworkAddress", &type, &stored));
    EXPECT_EQ(stored, std::string("001122334455", 13));
    char status[64] = {};
    GetDlgItemTextA(g_hMainWnd, IDC_STATUS, status, sizeof status);
    EXPECT_STREQ(status, message);
}

TEST_F(NetshellUnusable, WithoutNetshellNothingIsRestartedAndTheMessageStays)
{
    ASSERT_FALSE(NetshellNextToTest()) << "run from the folder without Netshell.dll";
    EXPECT_STREQ(RestartConnection("Ethernet"), kStatusNetshellNotLoaded);
    EXPECT_EQ(StatusTexts(), std::vector<std::string>{kStatusNetshellNotLoaded});
    EXPECT_EQ(connections_.Creations(), 0);

    ExpectChangeEndsWith(kStatusNetshellNotLoaded);
}

TEST_F(NetshellUnusable, WithoutItsExportNetshellIsFreedAndNothingIsRestarted)
{
    ASSERT_TRUE(NetshellNextToTest()) << "run from the folder with the Netshell.dll that lacks the export";
    EXPECT_STREQ(RestartConnection("Ethernet"), kStatusFreeFunctionNotLoaded);
    EXPECT_EQ(StatusTexts(), std::vector<std::string>{kStatusFreeFunctionNotLoaded});
    EXPECT_EQ(connections_.Creations(), 0);
    EXPECT_EQ(GetModuleHandleA("Netshell.dll"), nullptr) << "the module is freed";

    ExpectChangeEndsWith(kStatusFreeFunctionNotLoaded);
}

}  // namespace
