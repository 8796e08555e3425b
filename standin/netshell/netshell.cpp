// A stand-in for Windows' network connections service (Netshell.dll), for the lab on Linux.
// Wine has none. It plays the platform's part, not Quillon's: the connection manager lists one
// connection per named connection entry under the Network key, with the adapter's id as its
// guidId; Disconnect takes the Linux interface behind it down; Connect does what an adapter's
// driver does when it restarts: it takes up the NetworkAddress of its driver key when the
// driver accepts it and otherwise, silently, its factory address, brings the interface up
// again and succeeds. It fails only when the interface cannot be brought up at all.
//
// On Windows the service runs in another process, and while a call waits for it COM's modal loop
// asks the caller's message filter what to do when messages arrive, and does it (com_modal_loop.h).
// The stand-in does the same while it waits for the lab's agent, and while the lab holds Connect
// (as a slow service does) with a file "hold-connect" in the agent's folder.
#include <windows.h>
#include <netcon.h>
#include <tlhelp32.h>

#include <cstring>
#include <cwchar>
#include <fstream>
#include <string>
#include <vector>

#include "com_modal_loop.h"
#include "lab_files.h"
#include "lab_registry.h"

namespace {

LONG g_liveObjects = 0;

struct LabConnection {
    std::wstring name;
    std::wstring adapterId;  // braced
};

std::wstring ReadString(HKEY root, const std::wstring& path, const wchar_t* value)
{
    wchar_t data[512] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    if (RegGetValueW(root, path.c_str(), value, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return std::wstring();
    return data;
}

std::vector<std::wstring> Subkeys(HKEY root, const std::wstring& path)
{
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}

// One connection per connection entry with a name, as Windows keeps them under the Network key.
std::vector<LabConnection> ReadConnections()
{
    std::vector<LabConnection> connections;
    for (const std::wstring& group : Subkeys(HKEY_LOCAL_MACHINE, kNetworkKeyPathW)) {
        const std::wstring groupPath = std::wstring(kNetworkKeyPathW) + L"\\" + group;
        for (const std::wstring& adapterId : Subkeys(HKEY_LOCAL_MACHINE, groupPath)) {
            const std::wstring name = ReadString(HKEY_LOCAL_MACHINE, groupPath + L"\\" + adapterId + L"\\Connection", L"Name");
            if (!name.empty())
                connections.push_back({name, adapterId});
        }
    }
    return connections;
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());  // interface names and addresses are ASCII
}

std::wstring LabAdapterValue(const std::wstring& adapterId, const wchar_t* value)
{
    return ReadString(HKEY_LOCAL_MACHINE, std::wstring(kLabAdaptersKey) + L"\\" + adapterId, value);
}

// The address a driver takes up from NetworkAddress, as "02:11:22:33:44:55"; empty when it
// ignores the value: not 12 hexadecimal digits, or (a Wi-Fi driver) a first octet without the
// locally administered bit.
std::string AddressTheDriverAccepts(const std::wstring& adapterId, const std::wstring& typed)
{
    if (typed.size() != 12 || typed.find_first_not_of(L"0123456789abcdefABCDEF") != std::wstring::npos)
        return std::string();
    const unsigned long firstOctet = std::wcstoul(typed.substr(0, 2).c_str(), nullptr, 16);
    if (LabAdapterValue(adapterId, kLabDriverValue) == kLabWifiDriver && !(firstOctet & 0x02))
        return std::string();
    std::string address;
    for (size_t i = 0; i < 12; i += 2)
        address += (i ? ":" : "") + Narrow(typed.substr(i, 2));
    return address;
}

// The adapter's NetworkAddress, from the driver key whose NetCfgInstanceId is its id.
std::wstring NetworkAddressOf(const std::wstring& adapterId)
{
    for (const std::wstring& driverKey : Subkeys(HKEY_LOCAL_MACHINE, kAdapterClassKeyPathW)) {
        const std::wstring path = std::wstring(kAdapterClassKeyPathW) + L"\\" + driverKey;
        if (ReadString(HKEY_LOCAL_MACHINE, path, L"NetCfgInstanceId") == adapterId)
            return ReadString(HKEY_LOCAL_MACHINE, path, L"NetworkAddress");
    }
    return std::wstring();
}

// Has the lab's agent make one change to the adapter's Linux interface,
// "down", "up" or "address 02:11:22:33:44:55", and waits for its answer (false also when the
// caller's filter cancelled the call). The request is written under another name and renamed, so
// that the agent never reads half of it.
bool AskLabAgent(const std::wstring& adapterId, const std::string& change, ComCallWait& call)
{
    static unsigned counter = 0;
    const std::string folder = LabAgentFolder();
    const std::string interfaceName = Narrow(LabAdapterValue(adapterId, kLabInterfaceValue));
    const std::string base = folder + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    {
        std::ofstream request(base + ".part", std::ios::binary);  // "\n", not "\r\n"
        request << interfaceName << ' ' << change << '\n';
    }
    if (!MoveFileA((base + ".part").c_str(), (base + ".request").c_str()))
        return false;

    const std::string answer = base + ".status";
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(answer.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > 10000 || !call.Wait(1))
            return false;
    }
    int status = -1;
    std::ifstream(answer) >> status;
    DeleteFileA(answer.c_str());
    return status == 0;
}

// Holds Connect, as a slow service does, while "hold-connect" lies in the agent's folder (at most a
// minute), and notes in "longest-queued-input-ms" there how long input for the caller's windows
// stayed queued the longest meanwhile.
void HoldWhileTheLabAsks(ComCallWait& call)
{
    const std::string hold = LabAgentFolder() + kLabHoldConnect;
    if (GetFileAttributesA(hold.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    QueuedInputWatch watch;
    while (GetFileAttributesA(hold.c_str()) != INVALID_FILE_ATTRIBUTES && GetTickCount() - call.Began() < 60000 && call.Wait(10))
        watch.Look();
    std::ofstream(LabAgentFolder() + kLabLongestQueuedInput) << watch.longest << '\n';
}

void StartDriverService(const wchar_t* name)
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager)
        return;
    SC_HANDLE service = OpenServiceW(manager, name, SERVICE_START);
    if (service) {
        StartServiceW(service, 0, nullptr);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
}

// Wine's network stack (nsiproxy.sys) reads an interface's hardware address once, when it
// first sees the interface. Restarting the Wine driver host that carries it makes it read the
// addresses again, as Windows does when an adapter restarts.
// The process id of the Wine driver host that carries nsiproxy.sys; 0 when none does.
DWORD HostOfNsiproxy()
{
    DWORD host = 0;
    HANDLE processes = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W process = {};
    process.dwSize = sizeof process;
    for (BOOL more = Process32FirstW(processes, &process); more && !host; more = Process32NextW(processes, &process)) {
        if (_wcsicmp(process.szExeFile, L"winedevice.exe") != 0)
            continue;
        HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process.th32ProcessID);
        MODULEENTRY32W module = {};
        module.dwSize = sizeof module;
        for (BOOL next = Module32FirstW(modules, &module); next && !host; next = Module32NextW(modules, &module))
            host = _wcsicmp(module.szModule, L"nsiproxy.sys") == 0 ? process.th32ProcessID : 0;
        CloseHandle(modules);
    }
    CloseHandle(processes);
    return host;
}

// Ends the host, then starts the drivers that shared it until a new host carries nsiproxy.sys: right
// after the host ends, the service manager still counts them running for a moment, and a start
// then answers "already running", or succeeds without starting anything (at most 10 s, waiting as
// COM waits meanwhile).
void RestartWineNetworkDrivers(ComCallWait& call)
{
    const DWORD old = HostOfNsiproxy();
    HANDLE host = old ? OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, old) : nullptr;
    if (host) {
        TerminateProcess(host, 0);
        WaitForSingleObject(host, 5000);
        CloseHandle(host);
    }
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 10000 && call.Wait(100);) {
        for (const wchar_t* driver : {L"nsiproxy", L"MountMgr", L"NDIS"})
            StartDriverService(driver);
        const DWORD now = HostOfNsiproxy();
        if (now && now != old)
            return;
    }
}

wchar_t* CoTaskCopy(const std::wstring& text)
{
    auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
    if (copy)
        std::wmemcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

// Reference counting and IUnknown for one interface.
template <typename Interface>
class ComObject : public Interface {
public:
    explicit ComObject(REFIID iid) : iid_(iid) { InterlockedIncrement(&g_liveObjects); }
    virtual ~ComObject() { InterlockedDecrement(&g_liveObjects); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, iid_))
            return E_NOINTERFACE;
        *out = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

private:
    IID iid_;
    LONG references_ = 1;
};

class Connection : public ComObject<INetConnection> {
public:
    explicit Connection(LabConnection lab) : ComObject(IID_INetConnection), lab_(std::move(lab)) {}

    HRESULT STDMETHODCALLTYPE Disconnect() override
    {
        ComCallWait call;
        const bool down = AskLabAgent(lab_.adapterId, "down", call);
        return call.Wait(0) ? down ? S_OK : E_FAIL : RPC_E_CALL_CANCELED;
    }
    // Succeeds whether or not the driver takes the address up, as Windows' Connect does.
    HRESULT STDMETHODCALLTYPE Connect() override
    {
        ComCallWait call;
        HoldWhileTheLabAsks(call);
        const std::string accepted = AddressTheDriverAccepts(lab_.adapterId, NetworkAddressOf(lab_.adapterId));
        // The kernel refuses some addresses (a multicast one): the driver then starts with its own.
        if (accepted.empty() || !AskLabAgent(lab_.adapterId, "address " + accepted, call))
            AskLabAgent(lab_.adapterId, "address " + Narrow(LabAdapterValue(lab_.adapterId, kLabPermanentAddressValue)), call);
        const bool up = AskLabAgent(lab_.adapterId, "up", call);
        RestartWineNetworkDrivers(call);
        return call.Wait(0) ? up ? S_OK : HRESULT_FROM_WIN32(ERROR_GEN_FAILURE) : RPC_E_CALL_CANCELED;
    }
    HRESULT STDMETHODCALLTYPE GetProperties(NETCON_PROPERTIES** out) override
    {
        if (!out)
            return E_POINTER;
        auto* properties = static_cast<NETCON_PROPERTIES*>(CoTaskMemAlloc(sizeof(NETCON_PROPERTIES)));
        if (!properties)
            return E_OUTOFMEMORY;
        std::memset(properties, 0, sizeof *properties);
        CLSIDFromString(lab_.adapterId.c_str(), &properties->guidId);
        properties->pszwName = CoTaskCopy(lab_.name);
        properties->pszwDeviceName = CoTaskCopy(L"Quillon lab veth adapter");
        properties->Status = NCS_CONNECTED;
        properties->MediaType = NCM_LAN;
        *out = properties;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Delete() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Duplicate(LPCWSTR, INetConnection**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetUiObjectClassId(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Rename(LPCWSTR) override { return E_NOTIMPL; }

private:
    LabConnection lab_;
};

class ConnectionEnumerator : public ComObject<IEnumNetConnection> {
public:
    ConnectionEnumerator() : ComObject(kEnumNetConnectionInterface), connections_(ReadConnections()) {}

    HRESULT STDMETHODCALLTYPE Next(ULONG wanted, INetConnection** out, ULONG* fetched) override
    {
        ULONG count = 0;
        for (; count < wanted && position_ < connections_.size(); ++count)
            out[count] = new Connection(connections_[position_++]);
        if (fetched)
            *fetched = count;
        return count == wanted ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        position_ += count;
        return position_ <= connections_.size() ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumNetConnection**) override { return E_NOTIMPL; }

private:
    std::vector<LabConnection> connections_;
    size_t position_ = 0;
};

class ConnectionManager : public ComObject<INetConnectionManager> {
public:
    ConnectionManager() : ComObject(kConnectionManagerInterface) {}
    HRESULT STDMETHODCALLTYPE EnumConnections(NETCONMGR_ENUM_FLAGS, IEnumNetConnection** out) override
    {
        if (!out)
            return E_POINTER;
        *out = new ConnectionEnumerator();
        return S_OK;
    }
};

class ClassFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory))
            return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // static: lives as long as the module
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        auto* manager = new ConnectionManager();
        const HRESULT result = manager->QueryInterface(iid, out);
        manager->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock)
            InterlockedIncrement(&g_liveObjects);
        else
            InterlockedDecrement(&g_liveObjects);
        return S_OK;
    }
};

ClassFactory g_factory;

}  // namespace

extern "C" {

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, kConnectionManagerClass))
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, out);
}

HRESULT WINAPI DllCanUnloadNow()
{
    return g_liveObjects == 0 ? S_OK : S_FALSE;
}

void WINAPI NcFreeNetconProperties(NETCON_PROPERTIES* properties)
{
    if (!properties)
        return;
    CoTaskMemFree(properties->pszwName);
    CoTaskMemFree(properties->pszwDeviceName);
    CoTaskMemFree(properties);
}

}  // extern "C"
