// COM's message filter for the thread while Change MAC runs. While the connections service (another
// process) disconnects and connects, COM's modal loop serves only sent messages and paint, and is
// woken by input too; with no filter it leaves that input queued, unretrieved, and Windows marks the
// window "Not Responding". This filter drops the input as it arrives instead.
#pragma once

#include <objbase.h>
#include <wrl/client.h>

// Registers the filter for the thread while it lives; the thread's filter before it comes back.
class ScopedInputFilter {
public:
    ScopedInputFilter();
    ~ScopedInputFilter();
    ScopedInputFilter(const ScopedInputFilter&) = delete;
    ScopedInputFilter& operator=(const ScopedInputFilter&) = delete;

private:
    bool registered_ = false;
    Microsoft::WRL::ComPtr<IMessageFilter> previous_;
};
