#include "read_back.h"

#include <windows.h>

#include "current_mac.h"

namespace {

constexpr DWORD kLookEveryMs = 100;
// Until then an adapter may still show the address it had before its restart.
constexpr DWORD kOtherAddressIsFinalAfterMs = 3000;
constexpr DWORD kNotBackAfterMs = 20000;
// A window that does not validate what it is asked to paint is asked again at once.
constexpr int kMostMessagesAtOnce = 100;

// True when the six bytes are the 12 hexadecimal digits of `addressText`, in either case.
bool IsSameAddress(const BYTE (&address)[6], const char* addressText)
{
    char digits[13] = {};
    const BYTE* a = address;
    wsprintfA(digits, "%02X%02X%02X%02X%02X%02X", a[0], a[1], a[2], a[3], a[4], a[5]);
    return _strnicmp(digits, addressText, sizeof digits) == 0;
}

// Waits `ms` milliseconds serving what COM's modal loop serves while a call to another process
// waits: sent messages (log-off's WM_QUERYENDSESSION among them) and paint, so that Windows never
// marks the window "Not Responding". Keyboard and mouse input and other posted messages stay
// queued for the program's own loop, which takes WM_QUIT too.
void WaitServingSentMessagesAndPaint(DWORD ms)
{
    const DWORD start = GetTickCount();
    for (DWORD waited = 0; waited < ms; waited = GetTickCount() - start) {
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - waited, QS_SENDMESSAGE | QS_PAINT) != WAIT_OBJECT_0)
            return;  // the time is up, or the wait failed
        MSG message;
        for (int served = 0; served < kMostMessagesAtOnce
             && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_SENDMESSAGE | PM_QS_PAINT);
             ++served)
            DispatchMessageA(&message);
    }
}

}  // namespace

Outcome ReadBackAfterRestart(const char* bracedAdapterId, const char* addressText)
{
    const DWORD restarted = GetTickCount();
    for (;;) {
        BYTE address[6];
        const AdapterSeen seen = ReadAdapterAddress(bracedAdapterId, address);
        if (seen != AdapterSeen::Missing && (!*addressText || (seen == AdapterSeen::WithAddress && IsSameAddress(address, addressText))))
            return Outcome::Done;
        const DWORD since = GetTickCount() - restarted;
        if (seen != AdapterSeen::Missing && since >= kOtherAddressIsFinalAfterMs)
            return Outcome::AddressNotTaken;
        if (since >= kNotBackAfterMs)
            return Outcome::NotBack;
        WaitServingSentMessagesAndPaint(kLookEveryMs);
    }
}
