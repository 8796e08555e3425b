#include "connection_manager_double.h"

// Not in MinGW's uuid library.
extern "C" const IID IID_IEnumNetConnection = {0xC08956A0, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};

namespace {

class NetConnectionDouble : public Counted<INetConnection> {
public:
    NetConnectionDouble(ConnectionManagerDouble& owner, size_t index)
        : Counted("INetConnection", IID_INetConnection), owner_(owner), index_(index)
    {
    }
    HRESULT STDMETHODCALLTYPE Connect() override
    {
        owner_.Record("Connect " + std::to_string(index_));
        return Script().connect;
    }
    HRESULT STDMETHODCALLTYPE Disconnect() override
    {
        owner_.Record("Disconnect " + std::to_string(index_));
        return Script().disconnect;
    }
    HRESULT STDMETHODCALLTYPE GetProperties(NETCON_PROPERTIES** properties) override
    {
        *properties = Script().withoutProperties ? nullptr : owner_.NewProperties(index_);
        return *properties ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE Delete() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Duplicate(LPCWSTR, INetConnection**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetUiObjectClassId(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Rename(LPCWSTR) override { return E_NOTIMPL; }

private:
    const ScriptedNetConnection& Script() const { return owner_.Script().connections[index_]; }
    ConnectionManagerDouble& owner_;
    size_t index_;
};

class NetConnectionEnumeratorDouble : public Counted<IEnumNetConnection> {
public:
    explicit NetConnectionEnumeratorDouble(ConnectionManagerDouble& owner)
        : Counted("IEnumNetConnection", IID_IEnumNetConnection), owner_(owner)
    {
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG wanted, INetConnection** out, ULONG* fetched) override
    {
        *out = nullptr;
        *fetched = 0;
        if (wanted != 1)
            return E_INVALIDARG;
        if (position_ >= owner_.Script().connections.size())
            return S_FALSE;
        *out = owner_.MutableLedger().Create<NetConnectionDouble>(owner_, position_++);
        *fetched = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumNetConnection**) override { return E_NOTIMPL; }

private:
    ConnectionManagerDouble& owner_;
    size_t position_ = 0;
};

class NetConnectionManagerDouble : public Counted<INetConnectionManager> {
public:
    explicit NetConnectionManagerDouble(ConnectionManagerDouble& owner)
        : Counted("INetConnectionManager", IID_INetConnectionManager), owner_(owner)
    {
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(NETCONMGR_ENUM_FLAGS flags, IEnumNetConnection** out) override
    {
        owner_.Record("EnumConnections " + std::to_string(flags));
        *out = nullptr;
        if (owner_.Script().withoutEnumerator)
            return E_FAIL;
        *out = owner_.MutableLedger().Create<NetConnectionEnumeratorDouble>(owner_);
        return S_OK;
    }

private:
    ConnectionManagerDouble& owner_;
};

HRESULT CreateManager(void* context, REFIID iid, void** out)
{
    auto* owner = static_cast<ConnectionManagerDouble*>(context);
    if (FAILED(owner->Script().createInstance))
        return owner->Script().createInstance;
    if (!IsEqualIID(iid, IID_INetConnectionManager) && !IsEqualIID(iid, IID_IUnknown))
        return E_NOINTERFACE;
    *out = static_cast<INetConnectionManager*>(owner->MutableLedger().Create<NetConnectionManagerDouble>(*owner));
    return S_OK;
}

}  // namespace

ConnectionManagerDouble::ConnectionManagerDouble(ConnectionManagerScript script)
    : script_(std::move(script)), registration_(CLSID_ConnectionManager, CreateManager, this)
{
}

NETCON_PROPERTIES* ConnectionManagerDouble::NewProperties(size_t index)
{
    auto block = std::make_unique<NETCON_PROPERTIES>();
    const ScriptedNetConnection& connection = script_.connections[index];
    block->pszwName = connection.withoutName ? nullptr : const_cast<LPWSTR>(connection.name.c_str());
    block->MediaType = NCM_LAN;
    blocks_.push_back(std::move(block));
    return blocks_.back().get();
}

std::vector<const void*> ConnectionManagerDouble::BlocksHandedOut() const
{
    std::vector<const void*> blocks;
    for (const auto& block : blocks_)
        blocks.push_back(block.get());
    return blocks;
}
