// Watches the thread's COM apartment: how often it is uninitialised, and how many of its
// initialisations no uninitialisation has balanced yet, while the spy lives.
#pragma once

#include <objbase.h>

// (Wine's IME support initialises COM for a window of its own as well, and balances it.)
class ApartmentSpy : public IInitializeSpy {
public:
    ApartmentSpy() { CoRegisterInitializeSpy(this, &cookie_); }
    ~ApartmentSpy() { CoRevokeInitializeSpy(cookie_); }
    int uninitializations = 0;
    int unbalanced = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = iid == IID_IUnknown || iid == IID_IInitializeSpy ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE PreInitialize(DWORD, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostInitialize(HRESULT result, DWORD, DWORD) override { return unbalanced += SUCCEEDED(result), result; }
    HRESULT STDMETHODCALLTYPE PreUninitialize(DWORD) override { return ++uninitializations, --unbalanced, S_OK; }
    HRESULT STDMETHODCALLTYPE PostUninitialize(DWORD) override { return S_OK; }

private:
    ULARGE_INTEGER cookie_ = {};
};
