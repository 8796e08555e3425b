// Address texts: which texts are used as they are, and how random ones are made.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "import_table.h"
#include "mac_text.h"

namespace {

TEST(AddressText, OnlyTwelveHexadecimalDigitsInAnyCaseAreUsedAsTheyAre)
{
    const struct {
        const char* text;
        int valid;
    } cases[] = {
        {"", 0}, {"0011223344", 0}, {"00112233445", 0}, {"001122AABBCC", 1}, {"001122aabbcc", 1}, {"00aA11bB22cC", 1},
        {"0123456789ab", 1}, {"001122AABBCCD", 0}, {"00-11-22-AA-BB-CC", 0}, {"00:11:22:AA:BB:CC", 0}, {"0x001122AABB", 0},
        {"001122 AABBC", 0}, {" 001122AABBC", 0}, {"001122AABBCG", 0}, {"00112g334455", 0}, {"@0112233445`", 0},
        {"00112233445/", 0}, {"00112233445:", 0}, {"00112233445\xC6", 0}, {"\xB0" "01122334455", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidMacText(c.text), c.valid) << '"' << c.text << '"';
}

std::string Compose(int first, int second, int third, int fourth)
{
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    ComposeRandomMac(first, second, third, fourth, buffer);
    EXPECT_EQ(buffer[13], '#') << "nothing is written past the terminator";
    return std::string(buffer, 13);
}

TEST(AddressText, TheFirstDrawModulo6487GivesSixDigitsAndTheLow8BitsOfEachOtherTwo)
{
    EXPECT_EQ(Compose(291, 0x1AB, 0x2CD, 0x3EF), std::string("000123ABCDEF", 13));
    EXPECT_EQ(Compose(6487, 0, 0, 0).substr(0, 6), "000000");
    EXPECT_EQ(Compose(6486, 0, 0, 0).substr(0, 6), "001956");
    EXPECT_EQ(Compose(32767, 0x7FFF, 0x100, 0xFF), std::string("00014CFF00FF", 13));
}

TEST(AddressText, GenerationIsSeededFromTheTickCountSoTheSameTickGivesTheSameText)
{
    VirtualClock::Install();
    for (const DWORD tick : {0x0u, 0x1234ABCDu, 0xFFFFFFFFu}) {
        VirtualClock::now = tick;
        char first[13], second[13];
        GenerateRandomMac(first);
        GenerateRandomMac(second);
        // The run-time library's generator: state * 214013 + 2531011, bits 16 to 30.
        int draws[4];
        unsigned state = tick;
        for (int& draw : draws)
            draw = static_cast<int>(((state = state * 214013u + 2531011u) >> 16) & 0x7FFF);
        EXPECT_EQ(std::string(first, 13), std::string(second, 13));
        EXPECT_EQ(std::string(first, 13), Compose(draws[0], draws[1], draws[2], draws[3])) << tick;
    }
}

}  // namespace
