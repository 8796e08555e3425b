// What COM's modal loop does on Windows while a call from a single-threaded apartment to a
// server in another process waits (the connections service is one): it dispatches the thread's
// sent, posted and paint messages, not keyboard or mouse input, and leaves WM_QUIT for the
// program's own loop, posting it again.
#pragma once

#include <windows.h>

inline void PumpMessagesAsComDoes()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE | PM_QS_PAINT | PM_QS_SENDMESSAGE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
