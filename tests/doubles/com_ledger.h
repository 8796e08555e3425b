// Reference counts of the COM objects that test doubles hand out. Objects are never deleted
// when their count drops to zero; the ledger keeps them so that a test can see that every
// object obtained was released exactly once (count 0), and not more (a negative count).
#pragma once

#include <windows.h>
#include <objbase.h>

#include <memory>
#include <string>
#include <vector>

class LedgerEntry {
public:
    explicit LedgerEntry(std::string kind) : kind_(std::move(kind)) {}
    virtual ~LedgerEntry() = default;
    const std::string& Kind() const { return kind_; }
    LONG References() const { return references_; }

protected:
    LONG references_ = 1;  // the reference handed to the caller

private:
    std::string kind_;
};

class ComLedger {
public:
    template <typename Object, typename... Args>
    Object* Create(Args&&... args)
    {
        auto object = std::make_unique<Object>(std::forward<Args>(args)...);
        Object* raw = object.get();
        entries_.push_back(std::move(object));
        return raw;
    }

    size_t Count(const std::string& kind) const;
    size_t Count() const { return entries_.size(); }
    // Objects whose count is not 0, as "kind: count" lines; empty when all were released once.
    std::string Unbalanced() const;

private:
    std::vector<std::unique_ptr<LedgerEntry>> entries_;
};

// IUnknown for one interface, counted in the ledger.
template <typename Interface>
class Counted : public Interface, public LedgerEntry {
public:
    Counted(std::string kind, REFIID iid) : LedgerEntry(std::move(kind)), iid_(iid) {}

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
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references_); }

private:
    IID iid_;
};

// IDispatch on top of Counted, for interfaces that derive from it; never used by the program.
template <typename Interface>
class CountedDispatch : public Counted<Interface> {
public:
    using Counted<Interface>::Counted;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
};

// A class object registered in this process with CoRegisterClassObject, so that the
// program's CoCreateInstance of `clsid` gets the double's objects. Revoked on destruction.
class ClassRegistration : public IClassFactory {
public:
    // `create` makes the object for the requested interface, or returns a failure.
    using Creator = HRESULT (*)(void* context, REFIID iid, void** out);
    ClassRegistration(REFCLSID clsid, Creator create, void* context);
    ~ClassRegistration();
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;

    bool Registered() const { return cookie_ != 0; }
    int CreateCalls() const { return createCalls_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives as long as the test's object
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    Creator create_;
    void* context_;
    DWORD cookie_ = 0;
    int createCalls_ = 0;
};
