#include "status_line.h"

#include <oleacc.h>
#include <wrl/client.h>

#include "platform_facts.h"
#include "resource.h"

HWND g_hMainWnd = nullptr;

namespace {

constexpr LONG kPolite = 1;  // LiveSetting's Polite

// The status line whose live-region property is set.
HWND g_liveStatusLine = nullptr;

// A screen reader announces a change of a static text away from the focus only when it is a live
// region: the LiveSetting property (Windows 8 and later), set through Dynamic Annotation, and
// EVENT_OBJECT_LIVEREGIONCHANGED after each change of its text. Where the platform lacks the
// property (Windows 7), the reader speaks the status line only where the user goes to it.
void MakeLiveRegion(HWND statusLine)
{
    Microsoft::WRL::ComPtr<IAccPropServices> services;
    if (FAILED(CoCreateInstance(kAccPropServicesClass, nullptr, CLSCTX_INPROC_SERVER, kAccPropServicesInterface,
            reinterpret_cast<void**>(services.GetAddressOf())))
        || !services)
        return;
    VARIANT polite = {};
    V_VT(&polite) = VT_I4;
    V_I4(&polite) = kPolite;
    services->SetHwndProp(statusLine, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kLiveSettingProperty, polite);
}

}  // namespace

void SetStatusText(const char* text)
{
    HWND statusLine = GetDlgItem(g_hMainWnd, IDC_STATUS);
    if (statusLine != g_liveStatusLine) {
        g_liveStatusLine = statusLine;
        MakeLiveRegion(statusLine);
    }
    SetWindowTextA(statusLine, text);
    RedrawWindow(statusLine, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, statusLine, OBJID_CLIENT, CHILDID_SELF);
}
