// Prints the stack guard that this process drew when it started, built and linked as Quillon.exe
// is, with the program's own guard (base/stack_guard.cpp).
#include <cstdio>

extern "C" void* __stack_chk_guard;

int main()
{
    std::printf("%p\n", __stack_chk_guard);
}
