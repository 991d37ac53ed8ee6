#include "unicodeutils.h"

#include <gtest/gtest.h>

TEST(UnicodeUtils, CodePageRoundTripsEveryByte)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = AnsiToWide(all);
    EXPECT_EQ(WideToAnsi(utf8), all);
    EXPECT_EQ(AnsiToWide("\x80\x9F\xE9"), "€Ÿé");
    EXPECT_EQ(WideToAnsi("€uro Ÿ é"), "\x80uro \x9F \xE9");
    EXPECT_EQ(WideToAnsi("Привет"), "??????");
    EXPECT_EQ(WideToAnsi("a😀b"), "a?b");
}

TEST(UnicodeUtils, Utf16AndMalformedInput)
{
    const std::string text = "Aé€😀";
    for (const bool be : {false, true})
        EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text, be), be), text);
    EXPECT_EQ(Utf8ToUtf16("😀", false), std::string("\x3D\xD8\x00\xDE", 4));
    // Lone surrogates and a dangling odd byte.
    EXPECT_EQ(Utf16ToUtf8(std::string("\x00\xD8\x41\x00\x42", 5), false), "\xEF\xBF\xBD" "A");
    // Malformed UTF-8: bad lead, truncated sequence, overlong form, surrogate.
    EXPECT_EQ(SanitizeUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(SanitizeUtf8("\xE2\x82"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(SanitizeUtf8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(SanitizeUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_TRUE(FitsSingleByte("Café ÿ"));
    EXPECT_FALSE(FitsSingleByte("€"));
    EXPECT_FALSE(FitsSingleByte("\xC2\x85"));  // U+0085 would read back as "…"
    EXPECT_EQ(Utf8ToLatin1("Café"), "Caf\xE9");
}
