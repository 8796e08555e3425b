// The soak, run in the lab: one Quillon.exe takes COMMANDS Change MAC commands and as many
// refreshes in a row, through its window, alternating two addresses and the factory default.
// Its handles, USER and GDI objects and memory are sampled every 50 commands and printed; over
// the second half of the run none of them may grow (exit code 1 if one does). The first half is
// the warm-up: the heap may still settle there, by a step or two of the resident memory.
//
//   soak.exe [COMMANDS]     500 by default
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "quillon_remote.h"
#include "resource.h"

namespace {

struct Sample {
    int commands;
    ULONG handles;
    DWORD userObjects;
    DWORD gdiObjects;
    long residentKiB;  // resident anonymous memory of the Linux process behind it
};

// Wine 8 reports no private bytes for a process; the Linux process that runs it has RssAnon.
long ResidentKiB()
{
    return std::atol(RunLinux("awk '/^RssAnon:/ {print $2}' /proc/$(pgrep -n -f 'Quillon[.]exe')/status").c_str());
}

// GetGuiResources is a stub in Wine 8 (0 for everything); on Windows it counts for real.
Sample Take(const Program& quillon, int commands)
{
    return Sample{commands, HandleCount(quillon.Id()), GetGuiResources(quillon.Handle(), GR_USEROBJECTS),
        GetGuiResources(quillon.Handle(), GR_GDIOBJECTS), ResidentKiB()};
}

constexpr int kSampleEvery = 50;

}  // namespace

int main(int argc, char** argv)
{
    const int commands = argc > 1 ? std::atoi(argv[1]) : 500;
    const int warmUp = commands / 2 / kSampleEvery * kSampleEvery;
    Program quillon;
    HWND window = quillon.Window();
    if (!window || warmUp < kSampleEvery) {
        std::fprintf(stderr, "soak: no Quillon window, or fewer than %d commands\n", 2 * kSampleEvery);
        return 2;
    }
    Select(window, 0);
    const char* const addresses[] = {"02AABBCCDD10", "02AABBCCDD20"};
    std::vector<Sample> samples{Take(quillon, 0)};
    for (int command = 1; command <= commands; ++command) {
        // Two addresses, then the factory default, over and over.
        const bool factoryDefault = command % 3 == 0;
        if (factoryDefault)
            Click(window, IDC_FACTORY_DEFAULT);
        else
            Type(window, IDC_NEW_MAC, addresses[command % 3 - 1]);
        Click(window, IDC_CHANGE_MAC);
        if (ControlText(window, IDC_STATUS) != "Done") {
            std::fprintf(stderr, "soak: command %d ended with \"%s\"\n", command, ControlText(window, IDC_STATUS).c_str());
            return 1;
        }
        if (factoryDefault)
            Click(window, IDC_FACTORY_DEFAULT);
        Click(window, IDC_REFRESH);
        if (command % kSampleEvery == 0)
            samples.push_back(Take(quillon, command));
    }
    PostMessageA(window, WM_CLOSE, 0, 0);

    std::printf("commands  handles  USER  GDI  resident KiB\n");
    for (const Sample& s : samples)
        std::printf("%8d  %7lu  %4lu  %3lu  %12ld\n", s.commands, s.handles, s.userObjects, s.gdiObjects, s.residentKiB);
    const Sample& warm = samples[warmUp / kSampleEvery];
    bool grew = samples.front().handles == 0 || samples.front().residentKiB == 0;
    for (const Sample& s : samples) {
        if (s.commands > warmUp && (s.handles > warm.handles || s.userObjects > warm.userObjects
                || s.gdiObjects > warm.gdiObjects || s.residentKiB > warm.residentKiB))
            grew = true;
    }
    std::printf("%s after %d commands; exit code %lu\n", grew ? "GROWTH" : "nothing grew", commands, quillon.ExitCode());
    return grew || quillon.ExitCode() != 0 ? 1 : 0;
}
