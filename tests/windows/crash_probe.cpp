// Crashes on purpose. Its test passes only when the crash makes the program
// fail under the emulator: a crash hidden by a debugger or a dialog would let
// every crashing test pass.
#include <cstdio>

int main()
{
    std::puts("writing through a null pointer");
    std::fflush(stdout);
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
}
