#include "mac_text.h"

#include <cstdlib>
#include <cstring>

#include "resource.h"

namespace {

constexpr size_t kMacTextLength = 12;

bool IsHexDigit(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Writes exactly `digits` upper-case hexadecimal digits of `value`, with leading zeros and no terminator.
void WriteHex(char* out, unsigned value, int digits)
{
    static const char kHexDigits[] = "0123456789ABCDEF";
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = kHexDigits[value & 0xF];
        value >>= 4;
    }
}

}  // namespace

int IsValidMacText(const char* text)
{
    if (std::strlen(text) != kMacTextLength)
        return 0;
    for (size_t i = 0; i < kMacTextLength; ++i) {
        if (!IsHexDigit(static_cast<unsigned char>(text[i])))
            return 0;
    }
    return 1;
}

void ComposeRandomMac(int firstDraw, int secondDraw, int thirdDraw, int fourthDraw, char* buffer)
{
    // Below 0x1957, so the first three octets stay within 00-00-00 to 00-19-56.
    WriteHex(buffer, static_cast<unsigned>(firstDraw % 6487), 6);
    WriteHex(buffer + 6, static_cast<unsigned>(secondDraw) & 0xFF, 2);
    WriteHex(buffer + 8, static_cast<unsigned>(thirdDraw) & 0xFF, 2);
    WriteHex(buffer + 10, static_cast<unsigned>(fourthDraw) & 0xFF, 2);
    buffer[kMacTextLength] = '\0';
}

void GenerateRandomMac(char* buffer)
{
    std::srand(GetTickCount());
    // One draw after the other: the order of the draws is the order of the digits.
    const int first = std::rand();
    const int second = std::rand();
    const int third = std::rand();
    const int fourth = std::rand();
    ComposeRandomMac(first, second, third, fourth, buffer);
}

void ShowGeneratedMac(HWND window)
{
    char text[32] = {};
    GenerateRandomMac(text);
    SetWindowTextA(GetDlgItem(window, IDC_NEW_MAC), text);
}
