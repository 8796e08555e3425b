// What COM's modal loop does on Windows while a call from a single-threaded apartment to a server
// in another process waits (the connections service is one), as Wine's combase does it
// (CoWaitForMultipleHandles and its com_peek_message): it wakes for sent, posted and paint
// messages, but takes only DDE messages, then paint and sent messages. Keyboard and mouse input
// and every other posted message stay queued for the program's own loop; a WM_QUIT is left for it too.
#pragma once

#include <windows.h>
#include <dde.h>

// Serves what COM serves, at most 100 messages at a time, as COM does.
inline void PumpMessagesAsComDoes()
{
    MSG message;
    // Marks the posted messages as seen, so that the next wait sleeps while they stay queued.
    PeekMessageW(&message, nullptr, 0, 0, PM_QS_POSTMESSAGE | PM_NOREMOVE | PM_NOYIELD);
    for (int count = 0; count < 100; ++count) {
        if (!PeekMessageW(&message, nullptr, WM_DDE_FIRST, WM_DDE_LAST, PM_REMOVE | PM_NOYIELD)
            && !PeekMessageW(&message, nullptr, 0, 0, PM_QS_PAINT | PM_QS_SENDMESSAGE | PM_REMOVE | PM_NOYIELD))
            return;
        if (message.message == WM_QUIT) {  // a ranged peek takes it: it goes back for the program's loop
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Waits up to `ms` milliseconds for what COM wakes for, and serves what it serves.
inline void WaitAsComDoes(DWORD ms)
{
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_SENDMESSAGE | QS_ALLPOSTMESSAGE | QS_PAINT);
    PumpMessagesAsComDoes();
}
