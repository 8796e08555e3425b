// Owners with scoped lifetime for what the program acquires from the platform: each
// releases what it holds when it goes out of scope, on every way out of the function
// that holds it. None can be copied. COM interfaces are held by Microsoft::WRL::ComPtr.
#pragma once

#include <windows.h>

template <typename Handle, auto Release>
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(Handle handle) : handle_(handle) {}
    ~ScopedHandle()
    {
        if (handle_)
            Release(handle_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    Handle get() const { return handle_; }
    // Out-parameter for the call that acquires the handle; the owner must still be empty.
    Handle* put() { return &handle_; }
    // Releases what it holds and takes `handle` instead.
    void reset(Handle handle = nullptr)
    {
        if (handle_)
            Release(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

inline void FreeProcessHeapBlock(void* block)
{
    HeapFree(GetProcessHeap(), 0, block);
}

using ScopedRegKey = ScopedHandle<HKEY, &RegCloseKey>;
using ScopedModule = ScopedHandle<HMODULE, &FreeLibrary>;
using ScopedHeapBlock = ScopedHandle<void*, &FreeProcessHeapBlock>;
