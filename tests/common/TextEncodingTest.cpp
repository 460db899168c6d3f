#include "common/TextEncoding.h"

#include <gtest/gtest.h>

namespace signseek {

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
    const std::wstring hostile = WidenLatin1("a\x1b[2Jb\tc\nd\re\x7f\x9b"
                                             "6n\xa0");
    EXPECT_EQ(WideToPrintableUtf8(hostile), "a\xef\xbf\xbd[2Jb\tc\nd\xef\xbf\xbd"
                                            "e\xef\xbf\xbd\xef\xbf\xbd"
                                            "6n\xc2\xa0");
    EXPECT_EQ(WideToUtf8(WidenLatin1("\x1b")), "\x1b");
}

TEST(TextEncoding, DeviceBytesKeepUtf8AndTakeOtherBytesAsLatin1)
{
    EXPECT_EQ(WidenDeviceBytes("Caf\xc3\xa9 \xe6\x9d\xb1\xe4\xba\xac"), std::wstring(L"Caf\u00e9 \u6771\u4eac"));
    EXPECT_EQ(WidenDeviceBytes("\xf0\x9f\x98\x80"), std::wstring(1, static_cast<wchar_t>(0x1F600)));
    // Lone, truncated, overlong and surrogate sequences: one character per byte.
    EXPECT_EQ(WidenDeviceBytes("caf\xe9"), std::wstring(L"caf\u00e9"));
    EXPECT_EQ(WidenDeviceBytes("\xe6\x9d"), std::wstring(L"\u00e6\u009d"));
    EXPECT_EQ(WidenDeviceBytes("\xc0\xaf"), std::wstring(L"\u00c0\u00af"));
    EXPECT_EQ(WidenDeviceBytes("\xed\xa0\x80"), std::wstring(L"\u00ed\u00a0\u0080"));
    EXPECT_EQ(DeviceBytesToUtf8("a\xff\xc3\xa9"), "a\xc3\xbf\xc3\xa9");
    EXPECT_EQ(DeviceBytesToUtf8(std::string("\0z", 2)), std::string("\0z", 2));
}

TEST(TextEncoding, XmlReferencesAreDecodedAndMalformedOnesKept)
{
    EXPECT_EQ(DecodeXmlText("R&amp;D &lt;Lab&gt; &quot;x&quot; &apos;"), "R&D <Lab> \"x\" '");
    EXPECT_EQ(DecodeXmlText("&#x6771;&#20140; Lobby &#xE9;&#65;"), "\xe6\x9d\xb1\xe4\xba\xac Lobby \xc3\xa9"
                                                                   "A");
    EXPECT_EQ(DecodeXmlText("&amp;amp; & &; &#; &#x; &#xD800; &#0; &#x110000; &nbsp; &#12a; a&b;c"),
              "&amp; & &; &#; &#x; &#xD800; &#0; &#x110000; &nbsp; &#12a; a&b;c");
    EXPECT_EQ(DecodeXmlText("tail &amp"), "tail &amp");
    EXPECT_EQ(ShownMetadataText("Caf&#xE9; Z\xc3\xbcrich \xff"), "Caf\xc3\xa9 Z\xc3\xbcrich \xc3\xbf");
}

}  // namespace signseek
