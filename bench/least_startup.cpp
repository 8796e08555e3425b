// The benchmark's floors for start-up. least_startup.exe is the least program that does the
// platform work of Quillon's start-up and shows the same window, so that what Quillon takes
// beyond it is its own. From Quillon's main-window template: COM; the Network List Manager's
// connected networks, their connections and adapter ids; one read of each adapter's connection
// name, where Windows keeps the names of the network adapters' connections (no walk of the
// Network key); the same items in the list; one read of the adapter table; the first address
// shown. baseline_dialog.exe, built from this file with EMPTY_DIALOG, is the same template and
// nothing else.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <netlistmgr.h>
#include <objbase.h>
#include <wrl/client.h>

#include <cstdio>
#include <map>
#include <string>

#include "windows_names.h"
#include "resource.h"

using Microsoft::WRL::ComPtr;

namespace {

#ifdef EMPTY_DIALOG
constexpr bool kEmptyDialog = true;
#else
constexpr bool kEmptyDialog = false;
#endif

std::string BracedId(const GUID& guid)
{
    wchar_t wide[40] = {};
    char braced[40] = {};
    StringFromGUID2(guid, wide, 40);
    WideCharToMultiByte(CP_ACP, 0, wide, -1, braced, sizeof braced, nullptr, nullptr);
    return braced;
}

std::string ConnectionName(const std::string& bracedId)
{
    const std::string path = std::string(kNetworkKeyPath) + "\\" + kAdapterClassName + "\\" + bracedId + "\\Connection";
    char name[200] = {};
    DWORD size = sizeof name - 1;
    RegGetValueA(HKEY_LOCAL_MACHINE, path.c_str(), "Name", RRF_RT_REG_SZ, nullptr, name, &size);
    return name;
}

void FillTheWindow(HWND window)
{
    CoInitialize(nullptr);
    ComPtr<INetworkListManager> manager;
    ComPtr<IEnumNetworks> networks;
    if (FAILED(CoCreateInstance(kNetworkListManagerClass, nullptr, CLSCTX_ALL, kNetworkListManagerInterface, &manager))
        || FAILED(manager->GetNetworks(NLM_ENUM_NETWORK_CONNECTED, &networks)))
        return;
    HWND list = GetDlgItem(window, IDC_CONNECTION);
    std::map<std::string, std::string> names;  // by adapter: each read once
    std::string first;
    for (ComPtr<INetwork> network; networks->Next(1, network.ReleaseAndGetAddressOf(), nullptr) == S_OK && network;) {
        ComPtr<IEnumNetworkConnections> connections;
        if (FAILED(network->GetNetworkConnections(&connections)))
            continue;
        for (ComPtr<INetworkConnection> connection; connections->Next(1, connection.ReleaseAndGetAddressOf(), nullptr) == S_OK && connection;) {
            GUID adapter = {};
            if (FAILED(connection->GetAdapterId(&adapter)))
                continue;
            const std::string id = BracedId(adapter);
            auto known = names.find(id);
            if (known == names.end())
                known = names.emplace(id, ConnectionName(id)).first;
            if (known->second.size() < 2)
                continue;
            SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(known->second.c_str()));
            first = first.empty() ? id : first;
        }
    }
    if (first.empty())
        return;
    SendMessageA(list, CB_SETCURSEL, 0, 0);
    static BYTE table[1 << 16];
    ULONG size = sizeof table;
    if (GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(table), &size) != NO_ERROR)
        return;
    for (auto* adapter = reinterpret_cast<IP_ADAPTER_INFO*>(table); adapter; adapter = adapter->Next) {
        if (first != adapter->AdapterName)
            continue;
        char text[32];
        const BYTE* a = adapter->Address;
        std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", a[0], a[1], a[2], a[3], a[4], a[5]);
        SetDlgItemTextA(window, IDC_CURRENT_MAC, text);
        return;
    }
}

INT_PTR CALLBACK LeastDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        if (!kEmptyDialog)
            FillTheWindow(window);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL)
            SendMessageA(window, WM_CLOSE, 0, 0);
        return FALSE;
    case WM_CLOSE:
        if (!kEmptyDialog)
            CoUninitialize();
        DestroyWindow(window);
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    HWND window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, LeastDlgProc, 0);
    if (!window)
        return 0;
    ShowWindow(window, show);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(window, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 0;
}
