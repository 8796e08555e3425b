// Where the test executables and the program under test are.
#pragma once

#include <string>

// The folder of the running test executable, ending in a backslash.
std::string TestDirectory();

// The real Quillon.exe of this build, which lives one folder above the tests.
std::string QuillonExePath();
