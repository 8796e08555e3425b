// What COM's modal loop does on Windows while a call from a single-threaded apartment to a server
// in another process waits (the connections service is one). It is woken by input as well as by
// sent, posted and paint messages (QS_ALLINPUT; ReactOS's CoWaitForMultipleHandles), and then
// calls the apartment's message filter, IMessageFilter::MessagePending, with the time since the
// call began (Wine's combase calls it so; of its answers only PENDINGMSG_CANCELCALL does anything,
// which a connection's call never gets). Then it takes only DDE messages, then paint and sent
// messages (Wine's com_peek_message): keyboard and mouse input and every other posted message stay
// queued for the program's own loop, and a WM_QUIT is left for it too.
#pragma once

#include <windows.h>
#include <dde.h>
#include <objbase.h>

// Serves what COM serves, at most 100 messages at a time, as COM does.
inline void PumpMessagesAsComDoes()
{
    MSG message;
    // Marks the posted messages and the input as seen, so that the next wait sleeps while they stay queued.
    PeekMessageW(&message, nullptr, 0, 0, PM_QS_POSTMESSAGE | PM_NOREMOVE | PM_NOYIELD);
    GetQueueStatus(QS_KEY | QS_MOUSE);
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

// The apartment's message filter, told that messages arrived while a call waits.
inline void CallMessageFilter(DWORD sinceCallBegan)
{
    // COM gives its filter to no one but the one who replaces it: taken and put back at once.
    IMessageFilter* filter = nullptr;
    IMessageFilter* none = nullptr;
    if (FAILED(CoRegisterMessageFilter(nullptr, &filter)) || !filter)
        return;
    CoRegisterMessageFilter(filter, &none);
    filter->MessagePending(nullptr, sinceCallBegan, PENDINGTYPE_TOPLEVEL);
    filter->Release();
}

// Waits up to `ms` milliseconds for what COM wakes for, inside a call that began at `callBegan`
// (GetTickCount), and serves what it serves.
inline void WaitAsComDoes(DWORD ms, DWORD callBegan)
{
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_SENDMESSAGE | QS_ALLPOSTMESSAGE | QS_PAINT | QS_KEY | QS_MOUSE) == WAIT_OBJECT_0)
        CallMessageFilter(GetTickCount() - callBegan);
    PumpMessagesAsComDoes();
}

// The longest time that input stayed in the thread's queue, seen at each look.
struct QueuedInputWatch {
    DWORD queuedSince = 0;
    bool queued = false;
    DWORD longest = 0;
    void Look()
    {
        const bool now = HIWORD(GetQueueStatus(QS_KEY | QS_MOUSE)) != 0;  // the high word: what is in the queue now
        const DWORD tick = GetTickCount();
        if (now && !queued)
            queuedSince = tick;
        if (now && tick - queuedSince > longest)
            longest = tick - queuedSince;
        queued = now;
    }
};
