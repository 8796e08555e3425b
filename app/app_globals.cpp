#include "app_globals.h"

HINSTANCE g_hInstance = nullptr;
HICON g_hIconSmall = nullptr;
HICON g_hIconLarge = nullptr;
