#include "discovery/TextEncoding.h"

#include <gtest/gtest.h>

TEST(TextEncoding, Latin1WidensByteForByte)
{
    EXPECT_EQ(WidenLatin1("A\xe9\xff"), std::wstring(L"A\u00e9\u00ff"));
    EXPECT_EQ(WidenLatin1(std::string("\0\x80", 2)), std::wstring(L"\0\u0080", 2));
    EXPECT_EQ(Latin1ToUtf8("caf\xe9 \xff"), "caf\xc3\xa9 \xc3\xbf");
    EXPECT_EQ(Latin1ToUtf8("plain"), "plain");
}

TEST(TextEncoding, WideToUtf8CoversAllLengthsAndReplacesInvalid)
{
    EXPECT_EQ(WideToUtf8(L"a\u00e9\u20ac"), "a\xc3\xa9\xe2\x82\xac");
    EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0x1F600))), "\xf0\x9f\x98\x80");
    EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xef\xbf\xbd");
    EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(-1))), "\xef\xbf\xbd");
    EXPECT_EQ(WideToUtf8(WidenLatin1("x\xe9")), Latin1ToUtf8("x\xe9"));
}

TEST(TextEncoding, PrintableUtf8DefusesControlCharacters)
{
    const std::wstring hostile = WidenLatin1("a\x1b[2Jb\tc\nd\re\x7f\x9b" "6n\xa0");
    EXPECT_EQ(WideToPrintableUtf8(hostile),
              "a\xef\xbf\xbd[2Jb\tc\nd\xef\xbf\xbd" "e\xef\xbf\xbd\xef\xbf\xbd" "6n\xc2\xa0");
    EXPECT_EQ(WideToUtf8(WidenLatin1("\x1b")), "\x1b");
}
