#include "com_ledger.h"

size_t ComLedger::Count(const std::string& kind) const
{
    size_t count = 0;
    for (const auto& entry : entries_)
        count += entry->Kind() == kind;
    return count;
}

std::string ComLedger::Unbalanced() const
{
    std::string report;
    for (const auto& entry : entries_) {
        if (entry->References() != 0)
            report += entry->Kind() + ": " + std::to_string(entry->References()) + " references left\n";
    }
    return report;
}

ClassRegistration::ClassRegistration(REFCLSID clsid, Creator create, void* context) : create_(create), context_(context)
{
    if (FAILED(CoRegisterClassObject(clsid, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_)))
        cookie_ = 0;
}

ClassRegistration::~ClassRegistration()
{
    if (cookie_)
        CoRevokeClassObject(cookie_);
}

HRESULT STDMETHODCALLTYPE ClassRegistration::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory))
        return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ClassRegistration::CreateInstance(IUnknown* outer, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    ++createCalls_;
    return create_(context_, iid, out);
}
