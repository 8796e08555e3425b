// Address texts: 12 hexadecimal digits without separators, as typed, generated and stored.
#pragma once

#include <windows.h>

// 1 when `text` is exactly 12 hexadecimal digits (either case), 0 otherwise.
int IsValidMacText(const char* text);

// Writes a random address text into bytes 0 to 12 of `buffer` (at least 13 bytes): 12
// upper-case digits beginning with 00, and the terminator. Reseeds the run-time library's
// generator from GetTickCount on every call.
void GenerateRandomMac(char* buffer);

// The arithmetic of GenerateRandomMac on four draws of rand(): the first draw modulo 6487
// gives the first six digits, the low 8 bits of each other draw two digits each.
void ComposeRandomMac(int firstDraw, int secondDraw, int thirdDraw, int fourthDraw, char* buffer);

// Puts a freshly generated address text into IDC_NEW_MAC of the main window.
void ShowGeneratedMac(HWND window);
