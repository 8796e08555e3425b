#include "network_list_double.h"

namespace {

class ConnectionDouble : public CountedDispatch<INetworkConnection> {
public:
    explicit ConnectionDouble(const ScriptedConnection& script)
        : CountedDispatch("INetworkConnection", IID_INetworkConnection), script_(script)
    {
    }
    HRESULT STDMETHODCALLTYPE GetAdapterId(GUID* adapterId) override
    {
        if (FAILED(script_.getAdapterId))
            return script_.getAdapterId;
        *adapterId = script_.adapterId;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetNetwork(INetwork**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_IsConnectedToInternet(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_IsConnected(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetConnectivity(NLM_CONNECTIVITY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetConnectionId(GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDomainType(NLM_DOMAIN_TYPE*) override { return E_NOTIMPL; }

private:
    ScriptedConnection script_;
};

// Enumerators hand out one new object per Next, fail at the scripted call, and end with
// S_FALSE and no object.
template <typename Interface, typename Item>
class EnumeratorDouble : public CountedDispatch<Interface> {
public:
    EnumeratorDouble(const char* kind, REFIID iid, NetworkListDouble& owner, size_t count, int failsAt)
        : CountedDispatch<Interface>(kind, iid), owner_(owner), count_(count), failsAt_(failsAt)
    {
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG wanted, Item** out, ULONG* fetched) override
    {
        if (fetched)
            *fetched = 0;
        *out = nullptr;
        if (wanted != 1)
            return E_INVALIDARG;
        const int call = calls_++;
        if (call == failsAt_)
            return E_FAIL;
        if (position_ >= count_)
            return S_FALSE;
        *out = MakeItem(position_++);
        if (fetched)
            *fetched = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get__NewEnum(IEnumVARIANT**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(Interface**) override { return E_NOTIMPL; }

protected:
    virtual Item* MakeItem(size_t index) = 0;
    NetworkListDouble& owner_;

private:
    size_t count_;
    int failsAt_;
    size_t position_ = 0;
    int calls_ = 0;
};

class ConnectionEnumeratorDouble : public EnumeratorDouble<IEnumNetworkConnections, INetworkConnection> {
public:
    ConnectionEnumeratorDouble(NetworkListDouble& owner, const ScriptedNetwork& network)
        : EnumeratorDouble("IEnumNetworkConnections", IID_IEnumNetworkConnections, owner, network.connections.size(),
            network.connectionsNextFailsAt),
          network_(network)
    {
    }

protected:
    INetworkConnection* MakeItem(size_t index) override
    {
        return owner_.MutableLedger().Create<ConnectionDouble>(network_.connections[index]);
    }

private:
    const ScriptedNetwork& network_;
};

class NetworkDouble : public CountedDispatch<INetwork> {
public:
    NetworkDouble(NetworkListDouble& owner, const ScriptedNetwork& script)
        : CountedDispatch("INetwork", IID_INetwork), owner_(owner), script_(script)
    {
    }
    HRESULT STDMETHODCALLTYPE GetNetworkConnections(IEnumNetworkConnections** out) override
    {
        *out = nullptr;
        if (FAILED(script_.getConnections))
            return script_.getConnections;
        if (!script_.withoutConnectionEnumerator)
            *out = owner_.MutableLedger().Create<ConnectionEnumeratorDouble>(owner_, script_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetName(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDescription(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetNetworkId(GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDomainType(NLM_DOMAIN_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTimeCreatedAndConnected(DWORD*, DWORD*, DWORD*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_IsConnectedToInternet(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_IsConnected(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetConnectivity(NLM_CONNECTIVITY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCategory(NLM_NETWORK_CATEGORY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetCategory(NLM_NETWORK_CATEGORY) override { return E_NOTIMPL; }

private:
    NetworkListDouble& owner_;
    const ScriptedNetwork& script_;
};

class NetworkEnumeratorDouble : public EnumeratorDouble<IEnumNetworks, INetwork> {
public:
    explicit NetworkEnumeratorDouble(NetworkListDouble& owner)
        : EnumeratorDouble("IEnumNetworks", IID_IEnumNetworks, owner, owner.Script().networks.size(),
            owner.Script().networksNextFailsAt)
    {
    }

protected:
    INetwork* MakeItem(size_t index) override
    {
        return owner_.MutableLedger().Create<NetworkDouble>(owner_, owner_.Script().networks[index]);
    }
};

class ManagerDouble : public CountedDispatch<INetworkListManager> {
public:
    explicit ManagerDouble(NetworkListDouble& owner)
        : CountedDispatch("INetworkListManager", IID_INetworkListManager), owner_(owner)
    {
    }
    HRESULT STDMETHODCALLTYPE GetNetworks(NLM_ENUM_NETWORK flags, IEnumNetworks** out) override
    {
        owner_.RecordNetworksRequest(flags);
        *out = nullptr;
        if (FAILED(owner_.Script().getNetworks))
            return owner_.Script().getNetworks;
        if (!owner_.Script().withoutNetworkEnumerator)
            *out = owner_.MutableLedger().Create<NetworkEnumeratorDouble>(owner_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetNetwork(GUID, INetwork**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetNetworkConnections(IEnumNetworkConnections**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetNetworkConnection(GUID, INetworkConnection**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsConnectedToInternet(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsConnected(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetConnectivity(NLM_CONNECTIVITY*) override { return E_NOTIMPL; }

private:
    NetworkListDouble& owner_;
};

HRESULT CreateManager(void* context, REFIID iid, void** out)
{
    auto* owner = static_cast<NetworkListDouble*>(context);
    if (FAILED(owner->Script().createInstance))
        return owner->Script().createInstance;
    if (!IsEqualIID(iid, IID_INetworkListManager) && !IsEqualIID(iid, IID_IUnknown))
        return E_NOINTERFACE;
    *out = static_cast<INetworkListManager*>(owner->MutableLedger().Create<ManagerDouble>(*owner));
    return S_OK;
}

}  // namespace

NetworkListScript OneNetworkOf(const std::vector<GUID>& adapters)
{
    NetworkListScript script;
    script.networks.emplace_back();
    for (const GUID& adapter : adapters)
        script.networks[0].connections.push_back({adapter});
    return script;
}

NetworkListDouble::NetworkListDouble(NetworkListScript script)
    : script_(std::move(script)), registration_(CLSID_NetworkListManager, CreateManager, this)
{
}
