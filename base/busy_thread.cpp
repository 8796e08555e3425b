#include "busy_thread.h"

namespace {

// A window that does not validate what it is asked to paint is asked again at once; input keeps
// arriving while it is removed.
constexpr int kMostMessagesAtOnce = 100;

// The input ranges. WM_TOUCH (0x0240) to WM_POINTERROUTEDRELEASED (0x0253) are touch and pen
// (from Windows 8, touch and pen arrive as WM_POINTER*, which DefWindowProc turns into mouse input
// when they are dispatched); WM_NCMOUSEHOVER to WM_MOUSELEAVE are posted by mouse tracking.
constexpr UINT kInputRanges[][2] = {{WM_KEYFIRST, WM_KEYLAST}, {WM_MOUSEFIRST, WM_MOUSELAST}, {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK},
    {0x0240, 0x0253}, {0x0119, 0x0119}, {0x02A0, 0x02A3}};

// A WM_QUIT that a peek takes, whatever its range, is for the program's own loop: it is posted
// again once the removal is done.
class QuitTaken {
public:
    QuitTaken() = default;
    QuitTaken(const QuitTaken&) = delete;
    QuitTaken& operator=(const QuitTaken&) = delete;
    ~QuitTaken()
    {
        if (taken_)
            PostQuitMessage(code_);
    }
    void Note(const MSG& message)
    {
        if (message.message == WM_QUIT)
            taken_ = true, code_ = static_cast<int>(message.wParam);
    }

private:
    bool taken_ = false;
    int code_ = 0;
};

void RemoveRange(HWND window, UINT first, UINT last, QuitTaken& quit)
{
    MSG message;
    for (int removed = 0; removed < kMostMessagesAtOnce && PeekMessageA(&message, window, first, last, PM_REMOVE | PM_NOYIELD); ++removed)
        quit.Note(message);
}

}  // namespace

void ServeSentMessagesAndPaint()
{
    QuitTaken quit;
    MSG message;
    for (int served = 0; served < kMostMessagesAtOnce && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_SENDMESSAGE | PM_QS_PAINT);
         ++served) {
        if (message.message == WM_QUIT)
            return quit.Note(message);
        DispatchMessageA(&message);
    }
}

void DropInput()
{
    QuitTaken quit;
    for (const auto& [first, last] : kInputRanges)
        RemoveRange(nullptr, first, last, quit);
}

void DropPostedPresses(HWND window)
{
    QuitTaken quit;
    RemoveRange(nullptr, BM_CLICK, BM_CLICK, quit);
    RemoveRange(window, WM_COMMAND, WM_COMMAND, quit);
}
