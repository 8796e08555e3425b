// Reading and working the windows of another process, as a user (or an accessibility
// tool) would: through window messages only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Polls the condition every 20 ms until it holds or the time is up; returns its last value.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// The visible top-level window of the process whose caption is exactly `caption`, or null.
HWND FindProcessWindow(DWORD processId, const std::string& caption);

// Texts in the ANSI code page, read with WM_GETTEXT (which Wine passes across processes).
std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int controlId);

// The items of a drop-down list, read with CB_GETLBTEXT in UTF-16 (the narrow form of the
// message returns only the first character across processes in Wine 8).
std::vector<std::wstring> ComboItems(HWND combo);
int ComboSelection(HWND combo);

// The window that has the keyboard focus in the given GUI thread, or null.
HWND FocusedWindow(DWORD threadId);

// Posts a key press (down and up) to a window, as the keyboard would deliver it.
void PressKey(HWND target, UINT virtualKey);

// Posts a click to a button.
void ClickButton(HWND button);
