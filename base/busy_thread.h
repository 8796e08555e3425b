// The message queue of the window's thread while a command runs on it: sent messages and paint
// are served, as COM serves them while a call to another process waits, and input of every
// device is taken from the queue as it arrives and dropped. Windows marks a window "Not
// Responding" once its thread has retrieved no message for 5 s while input waits, and a ghost of
// it, whose close box ends the process, takes the user's clicks; and what is done to a frozen
// window must not run once it thaws (a second press of "Change MAC" would write and restart again).
#pragma once

#include <windows.h>

// Dispatches the sent messages and paint that wait, at most 100 at a time.
void ServeSentMessagesAndPaint();

// Removes, without dispatching them, the keyboard, mouse (client and non-client), pointer (touch
// and pen), WM_TOUCH and WM_GESTURE messages of all of the thread's windows.
void DropInput();

// Removes the presses posted meanwhile: BM_CLICK to any of the thread's windows (as an assistive
// tool presses a button), and WM_COMMAND to `window`.
void DropPostedPresses(HWND window);
