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

// The first draw modulo 6487 is below 0x1957: six digits, the first three octets within
// 00-00-00 and 00-19-56. Each low byte gives two: 12 digits in bytes 0 to 11, the zero in byte 12.
void ComposeRandomMac(int firstDraw, int secondDraw, int thirdDraw, int fourthDraw, char* buffer)
{
    wsprintfA(buffer, "%06X%02X%02X%02X", static_cast<unsigned>(firstDraw % 6487), static_cast<unsigned>(secondDraw) & 0xFF,
        static_cast<unsigned>(thirdDraw) & 0xFF, static_cast<unsigned>(fourthDraw) & 0xFF);
}

// The run-time library's generator, reseeded from the tick count at every call: an address that
// is only to differ from the factory's needs no cryptographic randomness, and the generator's
// fixed arithmetic makes a generated address reproducible from its tick count. Hence the NOLINTs
// for seeding it from the tick count (cert-msc32-c, cert-msc51-cpp) and for drawing from it
// (cert-msc30-c, cert-msc50-cpp).
void GenerateRandomMac(char* buffer)
{
    std::srand(GetTickCount());  // NOLINT(cert-msc32-c,cert-msc51-cpp): seeded from the tick count by design
    // One draw after the other: the order of the draws is the order of the digits.
    const int first = std::rand();   // NOLINT(cert-msc30-c,cert-msc50-cpp)
    const int second = std::rand();  // NOLINT(cert-msc30-c,cert-msc50-cpp)
    const int third = std::rand();   // NOLINT(cert-msc30-c,cert-msc50-cpp)
    const int fourth = std::rand();  // NOLINT(cert-msc30-c,cert-msc50-cpp)
    ComposeRandomMac(first, second, third, fourth, buffer);
}

void ShowGeneratedMac(HWND window)
{
    char text[32] = {};
    GenerateRandomMac(text);
    SetWindowTextA(GetDlgItem(window, IDC_NEW_MAC), text);
}
