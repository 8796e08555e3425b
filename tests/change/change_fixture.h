// What the address-change tests share: the Netshell.dll double next to the tests, held by
// the test so that its records outlive the program's load and free of it, and a spy on the
// status line that records every text it is given.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class NetshellDoubleHold {
public:
    NetshellDoubleHold();
    ~NetshellDoubleHold();
    NetshellDoubleHold(const NetshellDoubleHold&) = delete;
    NetshellDoubleHold& operator=(const NetshellDoubleHold&) = delete;

    bool Loaded() const { return module_ != nullptr; }
    // The properties blocks that NcFreeNetconProperties was given, in order.
    std::vector<const void*> Freed() const;
    // Lets go of the test's reference and tells whether the module is then unloaded, that is,
    // whether the program freed every reference it took; then holds it again.
    bool ProgramReleasedIt();

private:
    void Load();
    HMODULE module_ = nullptr;
};

class StatusSpy {
public:
    explicit StatusSpy(HWND statusControl);
    ~StatusSpy();
    StatusSpy(const StatusSpy&) = delete;
    StatusSpy& operator=(const StatusSpy&) = delete;

    const std::vector<std::string>& Texts() const;

private:
    HWND control_;
    WNDPROC original_;
};

// COM for the thread and a main window that only holds the controls, with a spy on its
// status line: what RestartConnection and ApplyNetworkAddress need around them.
class StatusLineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    const std::vector<std::string>& StatusTexts() const { return status_->Texts(); }

private:
    std::unique_ptr<StatusSpy> status_;
};
