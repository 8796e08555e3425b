// The guard that -fstack-protector-strong puts on the stack of every function with an array or an
// address taken, drawn for each process before WinMain as a Windows compiler's C runtime draws its
// /GS cookie: from RtlGenRandom (advapi32's SystemFunction036, which the C runtime's rand_s uses),
// without loading a cryptographic provider. A guard found overwritten, or a checked copy that would
// overrun its buffer, ends the process at once with STATUS_STACK_BUFFER_OVERRUN, as Windows ends a
// program whose cookie fails. Without stack guards (the benchmark's reference build) there is none.
#include <windows.h>
#include <ntsecapi.h>

#ifdef __SSP_STRONG__

// The names are those that the compiler's guarded functions and checked copies use, hence the NOLINTs
// for reserved identifiers (bugprone-reserved-identifier, cert-dcl37-c, cert-dcl51-cpp).
extern "C" {

// A terminator canary until it is drawn: zero bytes, line feeds and 0xFF stop the string copies.
void* __stack_chk_guard = reinterpret_cast<void*>(0x000aff00000aff00);  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)

__attribute__((noreturn)) void __stack_chk_fail()  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
{
    OutputDebugStringA("Quillon: stack smashing detected");
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    for (;;) {
    }
}

__attribute__((noreturn)) void __chk_fail()  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
{
    OutputDebugStringA("Quillon: buffer overflow detected");
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    for (;;) {
    }
}

}  // extern "C"

namespace {

// First of the program's constructors; it has no guard of its own, whose value it changes.
__attribute__((constructor(101), no_stack_protector)) void DrawStackGuard()
{
    void* guard = nullptr;
    if (RtlGenRandom(&guard, sizeof guard) && guard)
        __stack_chk_guard = guard;
}

}  // namespace

#endif
