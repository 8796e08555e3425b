#include "read_back.h"

#include <windows.h>

#include "busy_thread.h"
#include "current_mac.h"

namespace {

constexpr DWORD kLookEveryMs = 100;
// Until then an adapter may still show the address it had before its restart.
constexpr DWORD kOtherAddressIsFinalAfterMs = 3000;
constexpr DWORD kNotBackAfterMs = 20000;
// Keyboard and mouse input wakes the wait, so that it is dropped as it arrives. (Not QS_INPUT:
// its pointer and touch bits make the wait fail on Windows 7; pointer input is dropped after the
// wait, within kLookEveryMs.)
constexpr DWORD kWakeMask = QS_KEY | QS_MOUSE | QS_SENDMESSAGE | QS_PAINT;

// True when the six bytes are the 12 hexadecimal digits of `addressText`, in either case.
bool IsSameAddress(const BYTE (&address)[6], const char* addressText)
{
    char digits[13] = {};
    const BYTE* a = address;
    wsprintfA(digits, "%02X%02X%02X%02X%02X%02X", a[0], a[1], a[2], a[3], a[4], a[5]);
    return _strnicmp(digits, addressText, sizeof digits) == 0;
}

// Waits `ms` milliseconds serving sent messages (log-off's WM_QUERYENDSESSION among them) and
// paint, and dropping input, after every wake and every time-out: the thread retrieves messages at
// least every `ms` milliseconds. Other posted messages stay queued for the program's own loop.
void WaitDroppingInput(DWORD ms)
{
    const DWORD start = GetTickCount();
    for (DWORD waited = 0; waited < ms; waited = GetTickCount() - start) {
        const DWORD woken = MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - waited, kWakeMask);
        ServeSentMessagesAndPaint();
        DropInput();
        if (woken != WAIT_OBJECT_0)
            return;  // the time is up, or the wait failed
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
        WaitDroppingInput(kLookEveryMs);
    }
}
