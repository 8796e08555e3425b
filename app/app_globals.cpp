#include "app_globals.h"

HINSTANCE g_hInstance = nullptr;
HWND g_hMainWnd = nullptr;
HICON g_hIconSmall = nullptr;
HICON g_hIconLarge = nullptr;
