#pragma once

#include <string>
#include <string_view>

// Record text is 8-bit Latin-1, as the wire layer decodes it. Every byte is
// one character, so widening and re-encoding never fail.
std::wstring WidenLatin1(std::string_view text);
std::string Latin1ToUtf8(std::string_view text);

// For printing wide texts (such as the device details) on a UTF-8 terminal.
// Characters that are not Unicode scalar values become U+FFFD.
std::string WideToUtf8(std::wstring_view text);

// As WideToUtf8, but device text is hostile: control characters other than
// tab and line feed (escape sequences above all) become U+FFFD, so printing
// the result cannot drive the terminal.
std::string WideToPrintableUtf8(std::wstring_view text);
