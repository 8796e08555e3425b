#include "network_address.h"

#include <cstring>

#include "connection_list.h"
#include "connection_restart.h"
#include "mac_text.h"
#include "outcome.h"
#include "platform_facts.h"
#include "read_back.h"
#include "resource.h"
#include "scoped.h"
#include "status_line.h"
#include "taskbar_button.h"

namespace {

constexpr DWORD kDriverKeyTextSize = 384;

// True when the driver key's NetCfgInstanceId is exactly the braced id. A value that fills
// the whole buffer has no terminator in it and matches nothing; nothing past it is read.
bool DriverKeyBelongsTo(HKEY driverKey, const char* bracedAdapterId)
{
    char value[kDriverKeyTextSize] = {};
    DWORD type = 0;
    DWORD size = kDriverKeyTextSize;
    if (RegQueryValueExA(driverKey, "NetCfgInstanceId", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
        return false;
    return std::strncmp(value, bracedAdapterId, sizeof value) == 0;
}

// True when the driver key that `ApplyNetworkAddress` may not write belongs to the adapter: it
// is opened for reading only, to tell "not found" from "not allowed".
bool DeniedDriverKeyBelongsTo(HKEY classKey, const char* subkeyName, const char* bracedAdapterId)
{
    ScopedRegKey driverKey;
    return RegOpenKeyExA(classKey, subkeyName, 0, KEY_READ, driverKey.put()) == ERROR_SUCCESS && driverKey.get()
        && DriverKeyBelongsTo(driverKey.get(), bracedAdapterId);
}

Outcome WriteNetworkAddress(HKEY driverKey, const char* addressText)
{
    const DWORD size = static_cast<DWORD>(std::strlen(addressText) + 1);  // the terminator counts
    const LSTATUS written = RegSetValueExA(driverKey, "NetworkAddress", 0, REG_SZ, reinterpret_cast<const BYTE*>(addressText), size);
    return written == ERROR_SUCCESS ? Outcome::Done : Outcome::WriteFailed;
}

// Restarts the connection, then reads back what the adapter shows.
Outcome RestartAndReadBack(const char* connectionName, const char* bracedAdapterId, const char* addressText)
{
    const Outcome restarted = RestartConnection(connectionName, bracedAdapterId);
    return restarted == Outcome::Done ? ReadBackAfterRestart(bracedAdapterId, addressText) : restarted;
}

}  // namespace

// The status line shows each step of each driver key of the adapter, and its outcome: Done, or
// its failure (AccessDenied for a key that this user may not write). It ends with the first
// failure among them, shown again when a later key's outcome followed it. The taskbar button shows
// progress from the first restart until that verdict.
void ApplyNetworkAddress(const char* connectionName, const char* bracedAdapterId, const char* addressText)
{
    ScopedRegKey classKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAdapterClassKeyPath, 0, KEY_READ, classKey.put()) != ERROR_SUCCESS
        || !classKey.get()) {
        SetStatusText(StatusText(Outcome::ClassKeyNotOpened));
        return;
    }

    RestartOnTaskbar taskbar;
    bool found = false;
    bool applied = false;  // to a key opened for writing: the address in effect is shown afterwards
    Outcome firstFailure = Outcome::Done;
    Outcome lastOutcome = Outcome::Done;
    char subkeyName[kDriverKeyTextSize];
    DWORD length = kDriverKeyTextSize;
    for (DWORD index = 0; RegEnumKeyExA(classKey.get(), index, subkeyName, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         length = kDriverKeyTextSize) {
        ++index;
        ScopedRegKey driverKey;
        const LONG opened = RegOpenKeyExA(classKey.get(), subkeyName, 0, KEY_READ | KEY_SET_VALUE, driverKey.put());
        Outcome outcome = Outcome::AccessDenied;
        if (opened == ERROR_ACCESS_DENIED) {
            if (!DeniedDriverKeyBelongsTo(classKey.get(), subkeyName, bracedAdapterId))
                continue;
        } else {
            if (opened != ERROR_SUCCESS || !driverKey.get() || !DriverKeyBelongsTo(driverKey.get(), bracedAdapterId))
                continue;  // gone, or another adapter's
            applied = true;
            outcome = WriteNetworkAddress(driverKey.get(), addressText);
            if (outcome == Outcome::Done) {
                SetStatusText(kStatusResetting);
                taskbar.RestartBegins();
                outcome = RestartAndReadBack(connectionName, bracedAdapterId, addressText);
            }
        }
        SetStatusText(StatusText(outcome));
        found = true;
        if (firstFailure == Outcome::Done)
            firstFailure = outcome;
        lastOutcome = outcome;
    }

    if (!found) {
        SetStatusText(StatusText(Outcome::AdapterNotFound));
        return;
    }
    if (firstFailure != lastOutcome)
        SetStatusText(StatusText(firstFailure));
    taskbar.VerdictShown();
    if (applied)
        SendMessageA(g_hMainWnd, WM_COMMAND, IDC_REFRESH, 0);
}

void RunChangeMacCommand(HWND window)
{
    char addressText[32] = {};
    char connectionName[260] = {};
    char bracedAdapterId[kBracedAdapterIdSize] = {};
    HWND newMac = GetDlgItem(window, IDC_NEW_MAC);
    const bool factoryDefault = IsDlgButtonChecked(window, IDC_FACTORY_DEFAULT) != 0;

    // At most 30 characters; a text that is not an address is replaced, never rejected.
    GetWindowTextA(newMac, addressText, 31);
    if (!IsValidMacText(addressText) && !factoryDefault)
        ShowGeneratedMac(window);
    GetWindowTextA(newMac, addressText, 31);

    HWND list = GetDlgItem(window, IDC_CONNECTION);
    const LRESULT selection = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (selection == CB_ERR)
        return;
    BuildBracedAdapterId(static_cast<unsigned>(selection), bracedAdapterId);
    if (factoryDefault)
        addressText[0] = '\0';

    const LRESULT nameLength = SendMessageA(list, CB_GETLBTEXTLEN, selection, 0);
    if (nameLength == CB_ERR || nameLength >= static_cast<LRESULT>(sizeof connectionName))
        return;
    if (SendMessageA(list, CB_GETLBTEXT, selection, reinterpret_cast<LPARAM>(connectionName)) == CB_ERR)
        return;
    ApplyNetworkAddress(connectionName, bracedAdapterId, addressText);
}
