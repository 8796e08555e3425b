// Prints the stack guard that this process drew when it started, built and linked as Quillon.exe
// is: GCC's libssp draws it from the system's CryptGenRandom, or falls back to a constant.
#include <cstdio>

extern "C" void* __stack_chk_guard;

int main()
{
    std::printf("%p\n", __stack_chk_guard);
}
