// What COM's modal loop does on Windows while a call from a single-threaded apartment to a server
// in another process waits (the connections service is one). It is woken by input as well as by
// sent, posted and paint messages (QS_ALLINPUT; ReactOS's CoWaitForMultipleHandles), and then asks
// the apartment's message filter, IMessageFilter::MessagePending, with the time since the call
// began, leaving the message in the queue; without a filter, COM's own answer is
// PENDINGMSG_WAITDEFPROCESS. As Windows documents the answers:
// - PENDINGMSG_CANCELCALL: COM fails the call with RPC_E_CALL_CANCELED;
// - PENDINGMSG_WAITNOPROCESS: it goes on waiting and dispatches nothing;
// - PENDINGMSG_WAITDEFPROCESS: it goes on waiting and dispatches paint (and, as Wine's combase
//   takes them, DDE messages); keyboard and mouse input and other posted messages are not
//   dispatched, and a WM_QUIT is left for the program's own loop.
// Sent messages are delivered whatever the answer, as every look at a queue delivers them
// (WM_QUERYENDSESSION arrives so).
#pragma once

#include <windows.h>
#include <dde.h>
#include <objbase.h>

// The apartment's filter's answer to a message that arrived `sinceCallBegan` ms into the call.
inline DWORD AskMessageFilter(DWORD sinceCallBegan)
{
    // COM gives its filter to no one but the one who replaces it: taken and put back at once.
    IMessageFilter* filter = nullptr;
    IMessageFilter* none = nullptr;
    if (FAILED(CoRegisterMessageFilter(nullptr, &filter)) || !filter)
        return PENDINGMSG_WAITDEFPROCESS;
    CoRegisterMessageFilter(filter, &none);
    const DWORD answer = filter->MessagePending(nullptr, sinceCallBegan, PENDINGTYPE_TOPLEVEL);
    filter->Release();
    return answer;
}

// Delivers the sent messages and marks what is queued as seen, so that the next wait sleeps while
// it stays; with PENDINGMSG_WAITDEFPROCESS dispatches DDE and paint too, at most 100 messages.
inline void ServeAsComDoes(DWORD answer)
{
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_QS_POSTMESSAGE | PM_NOREMOVE | PM_NOYIELD);
    GetQueueStatus(QS_KEY | QS_MOUSE);
    for (int count = 0; answer == PENDINGMSG_WAITDEFPROCESS && count < 100; ++count) {
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

// One outgoing call that waits for its server.
class ComCallWait {
public:
    ComCallWait() : began_(GetTickCount()) {}
    // Waits up to `ms` milliseconds for what COM wakes for and answers it as COM does; false once
    // the filter has cancelled the call, which then fails with RPC_E_CALL_CANCELED.
    bool Wait(DWORD ms)
    {
        if (!cancelled_ && MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_SENDMESSAGE | QS_ALLPOSTMESSAGE | QS_PAINT | QS_KEY | QS_MOUSE) == WAIT_OBJECT_0) {
            const DWORD answer = AskMessageFilter(GetTickCount() - began_);
            cancelled_ = answer == PENDINGMSG_CANCELCALL;
            ServeAsComDoes(answer);
        }
        return !cancelled_;
    }
    DWORD Began() const { return began_; }

private:
    DWORD began_;
    bool cancelled_ = false;
};

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
