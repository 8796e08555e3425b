// Working Quillon's main window from another process as a user does: choosing a connection
// with the keyboard, typing into the new-address box, clicking buttons, reading controls.
#pragma once

#include <windows.h>

#include <string>

class QuillonWindow {
public:
    explicit QuillonWindow(HWND window) : window_(window) {}

    HWND Handle() const { return window_; }
    HWND Control(int id) const { return GetDlgItem(window_, id); }
    std::string Text(int id) const;

    // Home, then Down as often as needed: the list notifies the window itself. False when the
    // selection does not arrive.
    bool SelectConnection(int index) const;
    // Replaces the new-address box's text, character by character. False when it does not arrive.
    bool TypeNewAddress(const std::string& text) const;
    // Clicks a button and returns once the window has handled the click (and the command it
    // runs); false when the window did not answer within a minute.
    bool Click(int id) const;

private:
    HWND window_;
};
