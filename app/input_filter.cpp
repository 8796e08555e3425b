#include "input_filter.h"

#include "busy_thread.h"

namespace {

// Lives as long as the program; COM's references to it count for nothing.
class InputDroppingFilter : public IMessageFilter {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMessageFilter) ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    // COM's own answers without a filter: an incoming call is handled; a rejected call is not retried.
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override { return SERVERCALL_ISHANDLED; }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return static_cast<DWORD>(-1); }
    // A message arrived while COM waits: the input is taken from the queue, and COM goes on waiting.
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override
    {
        DropInput();
        return PENDINGMSG_WAITNOPROCESS;
    }
};

InputDroppingFilter g_filter;

}  // namespace

ScopedInputFilter::ScopedInputFilter()
{
    registered_ = SUCCEEDED(CoRegisterMessageFilter(&g_filter, previous_.GetAddressOf()));
}

ScopedInputFilter::~ScopedInputFilter()
{
    Microsoft::WRL::ComPtr<IMessageFilter> ours;
    if (registered_)
        CoRegisterMessageFilter(previous_.Get(), ours.GetAddressOf());
}
