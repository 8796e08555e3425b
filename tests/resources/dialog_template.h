// Decodes dialog templates as the dialog manager reads them: the classic DLGTEMPLATE and
// the extended DLGTEMPLATEEX layouts, with their control items.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A name-or-ordinal field of a template: a string, or 0xFFFF followed by a number.
struct NameOrOrdinal {
    std::wstring name;
    WORD ordinal = 0;  // 0 when the field is a name (or empty)
};

struct DialogItem {
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    NameOrOrdinal windowClass;
    NameOrOrdinal text;
    WORD extraBytes = 0;
};

struct DialogTemplate {
    bool extended = false;
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::wstring caption;
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::wstring typeface;
    std::vector<DialogItem> items;
};

// False when the bytes end before the template does.
bool ParseDialogTemplate(const uint8_t* data, size_t size, DialogTemplate* out);

// The name of a predefined control class, for an ordinal class or a named one ("Button",
// "Edit", "Static", "ListBox", "ScrollBar", "ComboBox").
std::wstring ControlClassName(const NameOrOrdinal& windowClass);
