// The Change MAC and Generate commands in the program's own main window: driver keys
// seeded in Wine's registry, the connection list from a Network List Manager double, the
// restart through the connection-manager double and the Netshell.dll double.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "adapter_table_double.h"
#include "change_fixture.h"
#include "connection_manager_double.h"
#include "mac_text.h"
#include "network_address.h"
#include "network_list_double.h"
#include "program_window_fixture.h"
#include "registry_scratch.h"
#include "resource.h"
#include "status_texts.h"
#include "test_adapters.h"

namespace {

using Texts = std::vector<std::string>;

const std::string kBracedA = std::string("{") + kAdapterIdA + "}";
const std::string kBracedB = std::string("{") + kAdapterIdB + "}";

// The registry write, made to fail for the first `failures` calls.
struct FailingWrites {
    explicit FailingWrites(int failures)
    {
        remaining = failures;
        g_regSetValueExA = Write;
    }
    ~FailingWrites() { g_regSetValueExA = RegSetValueExA; }
    static LSTATUS WINAPI Write(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
    {
        if (remaining-- > 0)
            return ERROR_ACCESS_DENIED;
        return RegSetValueExA(key, name, reserved, type, data, size);
    }
    static inline int remaining = 0;
};

class ChangeMac : public ::testing::Test, public ProgramWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(netshell_.Loaded()) << "the Netshell.dll double is not next to the tests";
        ASSERT_TRUE(network.SetString(ConnectionKey(kLanSubkey, kAdapterIdA), "Name", "Ethernet"));
        ASSERT_TRUE(network.SetString(ConnectionKey(kLanSubkey, kAdapterIdB), "Name", "Wi-Fi"));
        UseConnections({L"Ethernet", L"Wi-Fi"});
    }

    // Starts the program's main window listing "Ethernet" (adapter A) and "Wi-Fi" (adapter B).
    void Start(std::vector<GUID> adapters = {kAdapterA, kAdapterB})
    {
        NetworkListDouble nlm(OneNetworkOf(adapters));
        ASSERT_NE(CreateMainWindow(true), nullptr);
        status_ = std::make_unique<StatusSpy>(GetDlgItem(Window(), IDC_STATUS));
    }
    void UseConnections(std::vector<std::wstring> names)
    {
        connections_.reset();
        ConnectionManagerScript script;
        for (const std::wstring& name : names)
            script.connections.push_back({name});
        connections_ = std::make_unique<ConnectionManagerDouble>(script);
        ASSERT_TRUE(connections_->Registered());
    }

    void DriverKey(const std::string& key, const std::string& instanceId)
    {
        ASSERT_TRUE(classKey_.SetString(key, "NetCfgInstanceId", instanceId));
    }
    // The NetworkAddress of a driver key as stored, terminator included; "<none>" when absent.
    std::string StoredAddress(const std::string& key) const
    {
        DWORD type = 0;
        std::string data;
        if (!classKey_.GetValue(key, "NetworkAddress", &type, &data))
            return "<none>";
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        return data;
    }

    void Type(const char* text) { SetDlgItemTextA(Window(), IDC_NEW_MAC, text); }
    std::string NewMac() const
    {
        char text[64] = {};
        GetDlgItemTextA(Window(), IDC_NEW_MAC, text, sizeof text);
        return text;
    }
    void Press(int id) { SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(Window(), id))); }
    void Select(int index) { SendMessageA(GetDlgItem(Window(), IDC_CONNECTION), CB_SETCURSEL, index, 0); }
    const Texts& StatusTexts() const { return status_->Texts(); }
    const std::vector<std::string>& RestartCalls() const { return connections_->Calls(); }

    RegistryScratch classKey_{kAdapterClassKeyPath};
    AdapterTableDouble table_{{{kBracedA, {0x00, 0x11, 0x22, 0x33, 0x44, 0x55}}, {kBracedB, {0x00, 0x66, 0x77, 0x88, 0x99, 0xAA}}}};
    NetshellDoubleHold netshell_;
    std::unique_ptr<ConnectionManagerDouble> connections_;
    std::unique_ptr<StatusSpy> status_;
};

TEST_F(ChangeMac, WritesTheTypedTextAsTypedToTheMatchingKeyRestartsAndRefreshes)
{
    DriverKey("0000", kBracedB);
    DriverKey("0001", kBracedA);
    ASSERT_TRUE(classKey_.CreateKey("0002"));  // no NetCfgInstanceId
    Start();
    const int reads = table_.Reads();

    Type("02aAbBcCdDeE");
    Press(IDC_CHANGE_MAC);

    EXPECT_EQ(StoredAddress("0001"), std::string("02aAbBcCdDeE", 13)) << "as typed, with its terminator";
    EXPECT_EQ(StoredAddress("0000"), "<none>");
    EXPECT_EQ(StoredAddress("0002"), "<none>");
    EXPECT_EQ(NewMac(), "02aAbBcCdDeE");
    EXPECT_EQ(StatusTexts(), (Texts{kStatusResetting, kStatusDone}));
    EXPECT_EQ(RestartCalls(), (std::vector<std::string>{"EnumConnections 0", "Disconnect 0", "Connect 0"}));
    EXPECT_EQ(table_.Reads(), reads + 1) << "the refresh follows";
}

TEST_F(ChangeMac, FactoryDefaultWritesAnEmptyValueAndGeneratesNothing)
{
    DriverKey("0000", kBracedA);
    Start();
    Type("not an address");
    SendMessageA(GetDlgItem(Window(), IDC_FACTORY_DEFAULT), BM_SETCHECK, BST_CHECKED, 0);
    Press(IDC_FACTORY_DEFAULT);

    Press(IDC_CHANGE_MAC);

    EXPECT_EQ(StoredAddress("0000"), std::string(1, '\0')) << "an empty REG_SZ of size 1, not a deleted value";
    EXPECT_EQ(NewMac(), "not an address");
    EXPECT_EQ(StatusTexts(), (Texts{kStatusResetting, kStatusDone}));
}

TEST_F(ChangeMac, TextsThatAreNotAddressesAreReplacedByAGeneratedOneWhichIsWritten)
{
    DriverKey("0000", kBracedA);
    Start();
    for (const char* typed : {"00-11-22-33-44-55", "0011223344556677", "", "001122334455 ", "0123456789ABCDEF0123456789ABCDEF01"}) {
        SCOPED_TRACE(typed);
        Type(typed);
        Press(IDC_CHANGE_MAC);
        const std::string generated = NewMac();
        EXPECT_EQ(IsValidMacText(generated.c_str()), 1) << generated;
        EXPECT_EQ(generated.substr(0, 2), "00");
        EXPECT_EQ(StoredAddress("0000"), generated + '\0');
    }
}

TEST_F(ChangeMac, WithNothingSelectedOnlyTheReplacementHappens)
{
    DriverKey("0000", kBracedA);
    Start({});
    Type("00-11-22-33-44-55");

    Press(IDC_CHANGE_MAC);

    EXPECT_EQ(IsValidMacText(NewMac().c_str()), 1);
    EXPECT_EQ(StoredAddress("0000"), "<none>");
    EXPECT_EQ(StatusTexts(), Texts{});
    EXPECT_EQ(RestartCalls(), std::vector<std::string>{});
}

TEST_F(ChangeMac, IdsInOtherCaseMissingOrWithoutTerminatorMatchNothing)
{
    std::string lowerCase = kBracedA;
    for (char& c : lowerCase)
        c = static_cast<char>(tolower(c));
    DriverKey("0000", lowerCase);
    ASSERT_TRUE(classKey_.CreateKey("0001"));
    const std::string unterminated = kBracedA + std::string(384 - kBracedA.size(), ' ');
    ASSERT_TRUE(classKey_.SetValue("0002", "NetCfgInstanceId", REG_BINARY, unterminated.data(), 384));
    DriverKey("0003", kBracedA + std::string(400, 'x'));  // longer than the buffer
    Start();
    const int reads = table_.Reads();
    Type("001122334455");

    Press(IDC_CHANGE_MAC);

    for (const char* key : {"0000", "0001", "0002", "0003"})
        EXPECT_EQ(StoredAddress(key), "<none>") << key;
    EXPECT_EQ(StatusTexts(), Texts{kStatusAdapterNotFound});
    EXPECT_EQ(RestartCalls(), std::vector<std::string>{});
    EXPECT_EQ(table_.Reads(), reads) << "no refresh";
}

TEST_F(ChangeMac, TwoKeysWithTheSameIdAreBothWrittenAndRestartedWithOneRefresh)
{
    DriverKey("0003", kBracedA);
    DriverKey("0007", kBracedA);
    Start();
    const int reads = table_.Reads();
    Type("0A1B2C3D4E5F");

    Press(IDC_CHANGE_MAC);

    EXPECT_EQ(StoredAddress("0003"), std::string("0A1B2C3D4E5F", 13));
    EXPECT_EQ(StoredAddress("0007"), std::string("0A1B2C3D4E5F", 13));
    EXPECT_EQ(StatusTexts(), (Texts{kStatusResetting, kStatusDone, kStatusResetting, kStatusDone}));
    EXPECT_EQ(RestartCalls(), (std::vector<std::string>{"EnumConnections 0", "Disconnect 0", "Connect 0",
                                  "EnumConnections 0", "Disconnect 0", "Connect 0"}));
    EXPECT_EQ(table_.Reads(), reads + 1);
}

TEST_F(ChangeMac, WithoutTheClassKeyNothingIsWrittenRestartedOrRefreshed)
{
    classKey_.Remove();
    Start();
    const int reads = table_.Reads();
    Type("001122334455");

    Press(IDC_CHANGE_MAC);

    EXPECT_EQ(StatusTexts(), Texts{kStatusClassKeyNotOpened});
    EXPECT_EQ(RestartCalls(), std::vector<std::string>{});
    EXPECT_EQ(table_.Reads(), reads);
}

TEST_F(ChangeMac, AFailedWriteIsReportedNotRestartedAndStillCountsAsFound)
{
    DriverKey("0000", kBracedA);
    Start();
    const int reads = table_.Reads();
    Type("001122334455");
    FailingWrites failing(1);

    Press(IDC_CHANGE_MAC);

    EXPECT_EQ(StoredAddress("0000"), "<none>");
    EXPECT_EQ(StatusTexts(), Texts{kStatusWriteFailed});
    EXPECT_EQ(RestartCalls(), std::vector<std::string>{});
    EXPECT_EQ(table_.Reads(), reads + 1) << "the refresh still follows a matched key";
}

TEST_F(ChangeMac, AFailedRestartIsNotDone)
{
    DriverKey("0000", kBracedA);
    UseConnections({L"Wi-Fi"});  // no connection named "Ethernet"
    Start();
    const int reads = table_.Reads();
    Type("001122334455");

    Press(IDC_CHANGE_MAC);

    EXPECT_EQ(StoredAddress("0000"), std::string("001122334455", 13));
    EXPECT_EQ(StatusTexts(), (Texts{kStatusResetting, kStatusRestartFailed}));
    EXPECT_EQ(table_.Reads(), reads + 1);
}

TEST_F(ChangeMac, TheFirstFailureStaysOnTheStatusLineAfterLaterKeysSucceed)
{
    DriverKey("0000", kBracedA);
    DriverKey("0001", kBracedA);
    Start();
    Type("001122334455");
    FailingWrites failing(1);

    Press(IDC_CHANGE_MAC);

    EXPECT_EQ(StoredAddress("0000"), "<none>");
    EXPECT_EQ(StoredAddress("0001"), std::string("001122334455", 13));
    EXPECT_EQ(StatusTexts(), (Texts{kStatusWriteFailed, kStatusResetting, kStatusDone, kStatusWriteFailed}));
    EXPECT_EQ(RestartCalls(), (std::vector<std::string>{"EnumConnections 0", "Disconnect 0", "Connect 0"}));
}

TEST_F(ChangeMac, AConnectionWithAnAccentedNameIsRestarted)
{
    ASSERT_EQ(GetACP(), 1252u);
    ASSERT_TRUE(network.SetString(ConnectionKey(kLanSubkey, kAdapterIdA), "Name", "R\xE9seau local"));
    UseConnections({L"R\u00E9seau local"});
    DriverKey("0000", kBracedA);
    Start();
    Type("001122334455");

    Press(IDC_CHANGE_MAC);

    EXPECT_EQ(StatusTexts(), (Texts{kStatusResetting, kStatusDone}));
    EXPECT_EQ(RestartCalls(), (std::vector<std::string>{"EnumConnections 0", "Disconnect 0", "Connect 0"}));
}

TEST_F(ChangeMac, ASelectionBeyondTheAdapterIdsLooksForAnEmptyId)
{
    DriverKey("0000", kBracedA);
    Start();
    SendMessageA(GetDlgItem(Window(), IDC_CONNECTION), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Ethernet"));
    Select(2);
    Type("001122334455");

    Press(IDC_CHANGE_MAC);
    EXPECT_EQ(StatusTexts(), Texts{kStatusAdapterNotFound});

    DriverKey("0001", "");
    Press(IDC_CHANGE_MAC);
    EXPECT_EQ(StoredAddress("0001"), std::string("001122334455", 13));
    EXPECT_EQ(StoredAddress("0000"), "<none>");
}

TEST_F(ChangeMac, GenerateFillsTheBoxEvenWhileItIsGreyedOut)
{
    Start();
    Type("typed");
    SendMessageA(GetDlgItem(Window(), IDC_FACTORY_DEFAULT), BM_SETCHECK, BST_CHECKED, 0);
    Press(IDC_FACTORY_DEFAULT);
    ASSERT_FALSE(IsWindowEnabled(GetDlgItem(Window(), IDC_NEW_MAC)));

    Press(IDC_GENERATE);

    const std::string generated = NewMac();
    EXPECT_EQ(IsValidMacText(generated.c_str()), 1) << generated;
    EXPECT_EQ(generated.substr(0, 2), "00");
    EXPECT_EQ(StatusTexts(), Texts{});
}

}  // namespace
