// A soak in the lab: one Quillon.exe takes 500 Change MAC commands and 500 refreshes in a
// row, through its window, alternating two addresses and the factory default. Its handles,
// USER and GDI objects and private bytes are sampled every 50 commands; after warm-up none
// of them may grow.
#include <gtest/gtest.h>

#include <windows.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "linux_command.h"
#include "quillon_process.h"
#include "quillon_window.h"
#include "resource.h"

namespace {

struct Sample {
    int commands;
    ULONG handles;
    DWORD userObjects;
    DWORD gdiObjects;
    long privateKiB;  // resident anonymous memory of the Linux process behind it
};

// Wine 8 answers GetProcessHandleCount with 0 for every process; the system's process list
// carries the real count.
ULONG HandleCount(DWORD processId)
{
    std::vector<BYTE> buffer(1 << 20);
    ULONG length = 0;
    if (NtQuerySystemInformation(SystemProcessInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &length) != 0)
        return 0;
    for (size_t offset = 0;;) {
        const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + offset);
        if (reinterpret_cast<DWORD_PTR>(entry->UniqueProcessId) == processId)
            return entry->HandleCount;
        if (entry->NextEntryOffset == 0)
            return 0;
        offset += entry->NextEntryOffset;
    }
}

// Wine 8 reports no private bytes for a process (PrivateUsage is 0); the Linux process that
// runs it does: RssAnon, its resident anonymous memory.
long PrivateKiB()
{
    std::string output;
    RunLinuxCommand("awk '/^RssAnon:/ {print $2}' /proc/$(pgrep -n -f 'Quillon[.]exe')/status", &output);
    return std::atol(output.c_str());
}

Sample Take(HANDLE process, DWORD processId, int commands)
{
    // GetGuiResources is a stub in Wine 8 (0 for everything); on Windows it counts for real.
    return Sample{commands, HandleCount(processId), GetGuiResources(process, GR_USEROBJECTS),
        GetGuiResources(process, GR_GDIOBJECTS), PrivateKiB()};
}

constexpr int kCommands = 500;
constexpr int kSampleEvery = 50;
constexpr int kWarmUpCommands = 100;

TEST(Soak, FiveHundredChangesAndRefreshesLeaveNothingGrowing)
{
    QuillonProcess quillon;
    HWND window = quillon.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, quillon.ProcessId());
    ASSERT_NE(process, nullptr);
    const QuillonWindow quillon_window(window);
    ASSERT_TRUE(quillon_window.SelectConnection(0));

    const char* const addresses[] = {"02AABBCCDD10", "02AABBCCDD20"};
    std::vector<Sample> samples{Take(process, quillon.ProcessId(), 0)};
    for (int command = 1; command <= kCommands; ++command) {
        // Two addresses, then the factory default, over and over.
        const bool factoryDefault = command % 3 == 0;
        if (factoryDefault) {
            ASSERT_TRUE(quillon_window.Click(IDC_FACTORY_DEFAULT));
        } else {
            ASSERT_TRUE(quillon_window.TypeNewAddress(addresses[command % 3 - 1]));
        }
        ASSERT_TRUE(quillon_window.Click(IDC_CHANGE_MAC));
        ASSERT_EQ(quillon_window.Text(IDC_STATUS), "Done") << "command " << command;
        if (factoryDefault) {
            ASSERT_TRUE(quillon_window.Click(IDC_FACTORY_DEFAULT));
        }
        ASSERT_TRUE(quillon_window.Click(IDC_REFRESH));
        if (command % kSampleEvery == 0)
            samples.push_back(Take(process, quillon.ProcessId(), command));
    }

    std::printf("commands  handles  USER  GDI  private KiB\n");
    for (const Sample& s : samples)
        std::printf("%8d  %7lu  %4lu  %3lu  %11ld\n", s.commands, s.handles, s.userObjects, s.gdiObjects, s.privateKiB);
    ASSERT_GT(samples.front().handles, 0u) << "no handle count for the process";
    ASSERT_GT(samples.front().privateKiB, 0) << "no memory figure for the process";
    const Sample& warm = samples[kWarmUpCommands / kSampleEvery];
    for (const Sample& s : samples) {
        if (s.commands <= kWarmUpCommands)
            continue;
        SCOPED_TRACE("after " + std::to_string(s.commands) + " commands");
        EXPECT_LE(s.handles, warm.handles);
        EXPECT_LE(s.userObjects, warm.userObjects);
        EXPECT_LE(s.gdiObjects, warm.gdiObjects);
        EXPECT_LE(s.privateKiB, warm.privateKiB);
    }
    CloseHandle(process);

    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD exitCode = 1;
    ASSERT_TRUE(quillon.WaitForExit(10000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

}  // namespace
