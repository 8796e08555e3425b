// The user-interface thread's COM apartment: entered when the main window is set up, left when it
// closes. An entry that failed is not balanced.
#pragma once

#include <objbase.h>

class ComApartment {
public:
    void Enter() { entered_ = SUCCEEDED(CoInitialize(nullptr)); }
    void Leave()
    {
        if (entered_)
            CoUninitialize();
        entered_ = false;
    }

private:
    bool entered_ = false;
};
