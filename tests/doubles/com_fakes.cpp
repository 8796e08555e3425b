#include "com_fakes.h"

#include <netcon.h>
#include <netlistmgr.h>
#include <oleacc.h>
#include <shobjidl.h>

#include <iterator>
#include <map>
#include <memory>

#include "com_modal_loop.h"
#include "windows_names.h"

namespace {

struct Fake;
struct State {
    ComScript script;
    std::map<std::string, int> callsOf;
    std::vector<std::string> calls;
    // Kept after their last release, so that a count that goes below zero is seen too.
    std::vector<std::unique_ptr<Fake>> objects;
    // The Netshell.dll double counts each free of a block in its dwCharacter.
    std::vector<std::unique_ptr<NETCON_PROPERTIES>> blocks;
    std::vector<HWND> liveRegions;
    std::vector<std::string> taskbar;
    DWORD cookies[4] = {};
} g;

// True for the scripted failure.
bool Fails(const std::string& method, bool handsOut = true)
{
    const bool scripted = method + "#" + std::to_string(g.callsOf[method]++) == g.script.failing;
    return g.script.fails ? g.script.fails(method, handsOut, g.script.failure) : scripted;
}

#define NOT_USED(signature) \
    HRESULT STDMETHODCALLTYPE signature override { return E_NOTIMPL; }

// One object type plays every part: a manager, an enumerator, a network, a connection, the property
// services, the taskbar's list.
struct Fake : IClassFactory, INetworkListManager, IEnumNetworks, INetwork, IEnumNetworkConnections, INetworkConnection,
              INetConnectionManager, IEnumNetConnection, INetConnection, IAccPropServices, ITaskbarList3 {
    Fake(std::string part, size_t index, GUID adapter) : part(std::move(part)), index(index), adapter(adapter) {}
    std::string part;
    size_t index;  // of the network, or of the connection
    GUID adapter;
    size_t next = 0, end = 0;  // of an enumerator
    bool initialised = false;  // a taskbar list, by HrInit
    LONG references = 1;

    static Fake* New(const std::string& part, size_t index = 0, GUID adapter = {})
    {
        return g.objects.emplace_back(std::make_unique<Fake>(part, index, adapter)).get();
    }
    // Hands out a new object as `*out`, unless this call is the scripted failure.
    template <typename Interface>
    static HRESULT Hand(const char* method, Interface** out, const std::string& part, size_t index = 0, GUID adapter = {})
    {
        *out = nullptr;
        if (Fails(method))
            return g.script.failure;
        *out = New(part, index, adapter);
        return S_OK;
    }
    // One step of an enumerator over `count` items: the next one, or none at the end.
    template <typename Interface>
    HRESULT Step(const char* method, size_t count, Interface** out, ULONG* fetched, const std::string& part, GUID adapter = {})
    {
        const HRESULT result = next < count ? Hand(method, out, part, index == SIZE_MAX ? next : index, adapter) : (*out = nullptr, S_FALSE);
        next += *out ? 1 : 0;
        if (fetched)
            *fetched = *out ? 1 : 0;
        return result;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = nullptr;
        if (part == "network list manager" && (iid == IID_IUnknown || iid == kNetworkListManagerInterface))
            *out = static_cast<INetworkListManager*>(this);
        if (part == "connection manager" && (iid == IID_IUnknown || iid == kConnectionManagerInterface))
            *out = static_cast<INetConnectionManager*>(this);
        if (part == "property services" && (iid == IID_IUnknown || iid == kAccPropServicesInterface))
            *out = static_cast<IAccPropServices*>(this);
        if (part == "taskbar list" && (iid == IID_IUnknown || iid == kTaskbarList3Interface))
            *out = static_cast<ITaskbarList3*>(this);
        if (part.ends_with(" factory") && (iid == IID_IUnknown || iid == IID_IClassFactory))
            *out = static_cast<IClassFactory*>(this);
        references += *out ? 1 : 0;
        return *out ? S_OK : E_NOINTERFACE;
    }
    // As the class object of a manager, registered while the fakes live.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        const std::string manager = part.substr(0, part.size() - 8);
        if (Fails(manager))
            return g.script.failure;
        Fake* created = New(manager);
        if (manager == "taskbar list")
            g.taskbar.push_back("created");
        const HRESULT result = created->QueryInterface(iid, out);
        created->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }

    // The Network List Manager's walk: the networks asked for (the connected ones come first, then
    // the disconnected), their connections, their adapters.
    HRESULT STDMETHODCALLTYPE GetNetworks(NLM_ENUM_NETWORK flags, IEnumNetworks** out) override
    {
        const size_t connected = g.script.networks.size(), all = connected + g.script.disconnectedNetworks.size();
        if (flags != NLM_ENUM_NETWORK_CONNECTED && flags != NLM_ENUM_NETWORK_DISCONNECTED && flags != NLM_ENUM_NETWORK_ALL)
            return E_INVALIDARG;
        const HRESULT result = Hand("GetNetworks", out, "network enumerator", SIZE_MAX);
        if (*out)
            static_cast<Fake*>(*out)->next = flags == NLM_ENUM_NETWORK_DISCONNECTED ? connected : 0,
            static_cast<Fake*>(*out)->end = flags == NLM_ENUM_NETWORK_CONNECTED ? connected : all;
        return result;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG, INetwork** out, ULONG* fetched) override
    {
        return Step("IEnumNetworks::Next", end, out, fetched, "network");
    }
    HRESULT STDMETHODCALLTYPE GetNetworkConnections(IEnumNetworkConnections** out) override
    {
        return Hand("GetNetworkConnections", out, "connection enumerator", index);
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG, INetworkConnection** out, ULONG* fetched) override
    {
        const size_t connected = g.script.networks.size();
        const std::vector<GUID>& adapters = index < connected ? g.script.networks[index] : g.script.disconnectedNetworks[index - connected];
        return Step("IEnumNetworkConnections::Next", adapters.size(), out, fetched, "connection", next < adapters.size() ? adapters[next] : GUID{});
    }
    HRESULT STDMETHODCALLTYPE GetAdapterId(GUID* out) override
    {
        *out = adapter;
        return Fails("GetAdapterId", false) ? g.script.failure : S_OK;
    }

    // Netshell's connections.
    HRESULT STDMETHODCALLTYPE EnumConnections(NETCONMGR_ENUM_FLAGS, IEnumNetConnection** out) override
    {
        return Hand("EnumConnections", out, "Netshell enumerator", SIZE_MAX);
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG, INetConnection** out, ULONG* fetched) override
    {
        return Step("IEnumNetConnection::Next", g.script.connections.size(), out, fetched, "Netshell connection");
    }
    HRESULT STDMETHODCALLTYPE GetProperties(NETCON_PROPERTIES** out) override
    {
        *out = nullptr;
        if (Fails("GetProperties"))
            return g.script.failure;
        *out = g.blocks.emplace_back(std::make_unique<NETCON_PROPERTIES>()).get();
        (*out)->pszwName = const_cast<wchar_t*>(g.script.connections[index].name);
        (*out)->guidId = g.script.connections[index].adapter;
        (*out)->Status = g.script.connections[index].status;
        return S_OK;
    }
    // The service is another process: the caller waits for each as COM waits, in no time.
    HRESULT STDMETHODCALLTYPE Disconnect() override
    {
        g.calls.push_back("Disconnect " + std::to_string(index));
        if (!ComCallWait().Wait(0))
            return RPC_E_CALL_CANCELED;
        return Fails("Disconnect", false) ? g.script.failure : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Connect() override
    {
        g.calls.push_back("Connect " + std::to_string(index));
        ComCallWait call;
        if (g.script.duringConnect)
            g.script.duringConnect(g.script.connections[index].adapter);
        if (!call.Wait(0))
            return RPC_E_CALL_CANCELED;
        return Fails("Connect", false) ? g.script.failure : S_OK;
    }

    // The accessibility layer's property services: a live region of the polite kind.
    HRESULT STDMETHODCALLTYPE SetHwndProp(HWND window, DWORD object, DWORD child, MSAAPROPID property, VARIANT value) override
    {
        if (Fails("SetHwndProp", false))
            return g.script.failure;
        const bool polite = property == kLiveSettingProperty && V_VT(&value) == VT_I4 && V_I4(&value) == 1;
        g.liveRegions.push_back(polite && object == static_cast<DWORD>(OBJID_CLIENT) && child == CHILDID_SELF ? window : nullptr);
        return S_OK;
    }
    // The taskbar's list: HrInit first, as Windows asks; each state with the status line then, and the restarts' calls so far.
    HRESULT STDMETHODCALLTYPE HrInit() override
    {
        g.taskbar.push_back("HrInit");
        initialised = true;
        return Fails("HrInit", false) ? g.script.failure : S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetProgressState(HWND window, TBPFLAG state) override
    {
        char status[64] = {};
        GetDlgItemTextA(window, 1005, status, sizeof status);
        const char* name = state == TBPF_INDETERMINATE ? "indeterminate: " : state == TBPF_NOPROGRESS ? "no progress: " : "another state: ";
        g.taskbar.push_back(std::string(initialised ? "" : "before HrInit, ") + name + status + ", " + std::to_string(g.calls.size()) + " calls");
        return !initialised ? E_FAIL : Fails("SetProgressState", false) ? g.script.failure : S_OK;
    }
    NOT_USED(AddTab(HWND)) NOT_USED(DeleteTab(HWND)) NOT_USED(ActivateTab(HWND)) NOT_USED(SetActiveAlt(HWND)) NOT_USED(MarkFullscreenWindow(HWND, BOOL))
    NOT_USED(SetProgressValue(HWND, ULONGLONG, ULONGLONG)) NOT_USED(RegisterTab(HWND, HWND)) NOT_USED(UnregisterTab(HWND)) NOT_USED(SetTabOrder(HWND, HWND))
    NOT_USED(SetTabActive(HWND, HWND, DWORD)) NOT_USED(ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON)) NOT_USED(ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON))
    NOT_USED(ThumbBarSetImageList(HWND, HIMAGELIST)) NOT_USED(SetOverlayIcon(HWND, HICON, LPCWSTR)) NOT_USED(SetThumbnailTooltip(HWND, LPCWSTR))
    NOT_USED(SetThumbnailClip(HWND, RECT*))
    NOT_USED(SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT)) NOT_USED(SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope))
    NOT_USED(ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int)) NOT_USED(SetHwndPropStr(HWND, DWORD, DWORD, MSAAPROPID, LPCWSTR)) NOT_USED(DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*, DWORD*))
    NOT_USED(SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope)) NOT_USED(ClearHwndProps(HWND, DWORD, DWORD, const MSAAPROPID*, int))
    NOT_USED(ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**, DWORD*)) NOT_USED(SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT)) NOT_USED(SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR))
    NOT_USED(SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope)) NOT_USED(ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int))
    NOT_USED(ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*)) NOT_USED(DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*, DWORD*))

    NOT_USED(GetTypeInfoCount(UINT*)) NOT_USED(GetTypeInfo(UINT, LCID, ITypeInfo**))
    NOT_USED(GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*))
    NOT_USED(Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*))
    NOT_USED(GetNetwork(GUID, INetwork**)) NOT_USED(GetNetworkConnection(GUID, INetworkConnection**))
    NOT_USED(IsConnectedToInternet(VARIANT_BOOL*)) NOT_USED(IsConnected(VARIANT_BOOL*)) NOT_USED(GetConnectivity(NLM_CONNECTIVITY*))
    NOT_USED(get__NewEnum(IEnumVARIANT**)) NOT_USED(Skip(ULONG)) NOT_USED(Reset()) NOT_USED(Clone(IEnumNetworks**))
    NOT_USED(Clone(IEnumNetworkConnections**)) NOT_USED(Clone(IEnumNetConnection**)) NOT_USED(GetName(BSTR*)) NOT_USED(SetName(BSTR))
    NOT_USED(GetDescription(BSTR*)) NOT_USED(SetDescription(BSTR)) NOT_USED(GetNetworkId(GUID*)) NOT_USED(GetDomainType(NLM_DOMAIN_TYPE*))
    NOT_USED(GetTimeCreatedAndConnected(DWORD*, DWORD*, DWORD*, DWORD*)) NOT_USED(get_IsConnectedToInternet(VARIANT_BOOL*))
    NOT_USED(get_IsConnected(VARIANT_BOOL*)) NOT_USED(GetCategory(NLM_NETWORK_CATEGORY*)) NOT_USED(SetCategory(NLM_NETWORK_CATEGORY))
    NOT_USED(GetNetwork(INetwork**)) NOT_USED(GetConnectionId(GUID*)) NOT_USED(Delete()) NOT_USED(Duplicate(LPCWSTR, INetConnection**))
    NOT_USED(GetUiObjectClassId(CLSID*)) NOT_USED(Rename(LPCWSTR))
};

}  // namespace

ComFakes::ComFakes(ComScript script)
{
    g.script = std::move(script);
    const std::pair<CLSID, const char*> classes[std::size(g.cookies)] = {{kNetworkListManagerClass, "network list manager factory"},
        {kConnectionManagerClass, "connection manager factory"}, {kAccPropServicesClass, "property services factory"},
        {kTaskbarListClass, "taskbar list factory"}};
    for (size_t i = 0; i < std::size(classes); ++i)
        CoRegisterClassObject(classes[i].first, static_cast<IClassFactory*>(Fake::New(classes[i].second)), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &g.cookies[i]);
}

ComFakes::~ComFakes()
{
    for (DWORD cookie : g.cookies)
        CoRevokeClassObject(cookie);
    g = {};
}

const std::vector<std::string>& ComFakes::Calls() const
{
    return g.calls;
}

const std::vector<HWND>& ComFakes::LiveRegions() const
{
    return g.liveRegions;
}

const std::vector<std::string>& ComFakes::Taskbar() const
{
    return g.taskbar;
}

std::string ComFakes::Unbalanced() const
{
    std::string amiss;
    for (const auto& object : g.objects) {
        if (object->references && !object->part.ends_with(" factory"))  // COM holds the class objects
            amiss += object->part + " with " + std::to_string(object->references) + " references; ";
    }
    for (const auto& block : g.blocks)
        amiss += block->dwCharacter != 1 ? "a block freed " + std::to_string(block->dwCharacter) + " times; " : "";
    return amiss;
}
