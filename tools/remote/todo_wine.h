// The answers of Wine 8 that Windows gives otherwise, where a check relies on one: each check asserts
// what Windows does, and under Wine it is expected to fail, as Wine's own tests mark theirs with
// todo_wine. A check so marked that passes under Wine fails there too, so that the mark goes once Wine
// answers as Windows does. Each difference is named here, with what Windows documents or does:
//
// - the combo box's dropped rectangle (CB_GETDROPPEDCONTROLRECT): on Windows the box and its list as
//   large as the box was made, template's height included; Wine's is smaller (its own combo test
//   marks the same check todo_wine);
// - oleacc's name of a combo box: on Windows the static text before it in the window order, as for
//   an edit box ("Providing the Name Property"); Wine's is the box's own text;
// - the alias of an interface (MIB_IF_ROW2.Alias, GetIfTable2): on Windows the connection's name;
//   Wine's is the Linux interface's name, so the lab names the connection from its own record;
// - another process's system menu: on Windows its items are read as the window's own (menus belong
//   to the session); Wine gives none of them, so the lab opens the About box by the id that the item
//   has, 16.
#pragma once

#include <windows.h>

#include <cstdio>

// True in a process that Wine runs: its ntdll exports wine_get_version.
inline bool OnWine()
{
    static const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

// Whether a check that Windows passes and Wine fails went as the platform it runs on owes: the
// check's outcome on Windows; under Wine, true when it failed (and says so), false when it passed.
inline bool TodoWine(bool passed, const char* what)
{
    if (!OnWine())
        return passed;
    std::printf(passed ? "todo_wine passes now, remove the mark: %s\n" : "todo_wine: %s\n", what);
    return !passed;
}
