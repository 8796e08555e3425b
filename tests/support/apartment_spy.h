// Watches the thread's COM apartment while it lives: its uninitialisations, and those still owed.
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
        return (*out = iid == IID_IUnknown || iid == IID_IInitializeSpy ? this : nullptr) ? S_OK : E_NOINTERFACE;
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
