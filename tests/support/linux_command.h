// Running a Linux program from a test inside Wine and waiting for it. Wine starts a Linux program
// from CreateProcess, but the handle it returns cannot be waited on and the exit code it
// reports is not the program's; so the shell writes the status to a file, which is polled.
#pragma once

#include <string>

// Runs `command` with /bin/sh (it must not contain double quotes) and returns its exit status
// once it has finished, or -1 when it could not be started or did not finish in time. Its
// standard output and error go to `output` when that is given.
int RunLinuxCommand(const std::string& command, std::string* output = nullptr, unsigned timeoutMs = 10000);
