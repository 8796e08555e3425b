// Owners with scoped lifetime for what the program acquires from the platform: each releases
// what it holds when it goes out of scope, on every way out of the function that holds it. None
// can be copied. COM interfaces are held by Microsoft::WRL::ComPtr.
#pragma once

#include <windows.h>

// Releases a handle with the function `Release`, known when the program is built.
template <auto Release>
struct ReleaseWith {
    template <typename Handle>
    void operator()(Handle handle) const { Release(handle); }
};

// Releases a handle with a function known only at run time, such as one looked up in a module.
template <typename Handle>
class ReleaseThrough {
public:
    explicit ReleaseThrough(void(WINAPI* release)(Handle) = nullptr) : release_(release) {}
    void operator()(Handle handle) const { release_(handle); }

private:
    void(WINAPI* release_)(Handle);
};

template <typename Handle, typename Releaser>
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(Handle handle) : handle_(handle) {}
    explicit ScopedHandle(Releaser releaser) : releaser_(releaser) {}
    ~ScopedHandle() { reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    Handle get() const { return handle_; }
    // Out-parameter for the call that acquires the handle; the owner must still be empty.
    Handle* put() { return &handle_; }
    // Releases what it holds and takes `handle` instead.
    void reset(Handle handle = nullptr)
    {
        if (handle_)
            releaser_(handle_);
        handle_ = handle;
    }

private:
    Releaser releaser_ = {};
    Handle handle_ = nullptr;
};

inline void FreeProcessHeapBlock(void* block)
{
    HeapFree(GetProcessHeap(), 0, block);
}

using ScopedRegKey = ScopedHandle<HKEY, ReleaseWith<&RegCloseKey>>;
using ScopedModule = ScopedHandle<HMODULE, ReleaseWith<&FreeLibrary>>;
using ScopedHeapBlock = ScopedHandle<void*, ReleaseWith<&FreeProcessHeapBlock>>;
