// Address texts: which texts are usable as they are, and how random ones are made.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "mac_text.h"

namespace {

TEST(MacText, OnlyTwelveHexDigitsInAnyCaseAreValid)
{
    const struct {
        const char* text;
        int valid;
    } cases[] = {
        {"", 0},
        {"0011223344", 0},
        {"00112233445", 0},
        {"001122AABBCC", 1},
        {"001122aabbcc", 1},
        {"00aA11bB22cC", 1},
        {"0123456789ab", 1},
        {"001122AABBCCD", 0},
        {"00-11-22-AA-BB-CC", 0},
        {"00:11:22:AA:BB:CC", 0},
        {"0x001122AABB", 0},
        {"001122 AABBC", 0},
        {" 001122AABBC", 0},
        {"001122AABBCG", 0},
        {"00112g334455", 0},
        {"00112233445\xC6", 0},  // 0xC6: a byte above 0x7F, 'F' + 0x80
        {"\xB0" "01122334455", 0},
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
    return buffer;
}

TEST(MacText, GeneratedTextFollowsTheDrawsArithmetic)
{
    EXPECT_EQ(Compose(291, 0x1AB, 0x2CD, 0x3EF), "000123ABCDEF");
    EXPECT_EQ(Compose(6487, 0, 0, 0).substr(0, 6), "000000");
    EXPECT_EQ(Compose(6486, 0, 0, 0).substr(0, 6), "001956");
    EXPECT_EQ(Compose(32767, 0, 0, 0).substr(0, 6), "00014C");
    EXPECT_EQ(Compose(0, 0x7FFF, 0x100, 0xFF).substr(6), "FF00FF");
}

TEST(MacText, EveryPossibleFirstDrawGivesAValidUpperCaseTextWithinTheRange)
{
    for (int draw = 0; draw <= 32767; ++draw) {
        const std::string text = Compose(draw, draw, 32767 - draw, draw * 7);
        ASSERT_EQ(IsValidMacText(text.c_str()), 1) << text;
        ASSERT_EQ(text.find_first_of("abcdef"), std::string::npos) << text;
        ASSERT_EQ(text.substr(0, 2), "00") << text;
        ASSERT_LE(text.substr(0, 6), "001956") << text;
    }
}

// The generator that GenerateRandomMac relies on: state * 214013 + 2531011, bits 16 to 30.
TEST(MacText, RunTimeLibraryGeneratorFollowsItsArithmeticFromAKnownSeed)
{
    unsigned int state = 0xC0FFEE;
    std::srand(state);
    for (int i = 0; i < 1000; ++i) {
        state = state * 214013u + 2531011u;
        ASSERT_EQ(std::rand(), static_cast<int>((state >> 16) & 0x7FFF)) << "draw " << i;
    }
}

std::string ExpectedForSeed(unsigned int seed)
{
    int draws[4];
    for (int& draw : draws) {
        seed = seed * 214013u + 2531011u;
        draw = static_cast<int>((seed >> 16) & 0x7FFF);
    }
    return Compose(draws[0], draws[1], draws[2], draws[3]);
}

TEST(MacText, GenerationIsSeededFromTheTickCountSoTheSameTickGivesTheSameText)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const DWORD before = GetTickCount();
        char first[13];
        char second[13];
        GenerateRandomMac(first);
        GenerateRandomMac(second);
        if (GetTickCount() != before)
            continue;  // the tick moved on between the calls: try again
        EXPECT_STREQ(first, second);
        EXPECT_EQ(std::string(first), ExpectedForSeed(before));
        return;
    }
    FAIL() << "the tick count never stood still for two calls";
}

}  // namespace
