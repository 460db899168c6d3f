#pragma once

#include <string>
#include <string_view>

namespace signseek {

// Record fields the wire layer decodes are 8-bit Latin-1. Every byte is one
// character, so widening and re-encoding never fail.
std::wstring WidenLatin1(std::string_view text);
std::string Latin1ToUtf8(std::string_view text);

// Metadata items are XML text as the device sent it: usually UTF-8, but any
// bytes may come. A well-formed UTF-8 sequence is one character; every other
// byte is taken as the Latin-1 character of that value, so nothing is lost.
std::wstring WidenDeviceBytes(std::string_view bytes);
std::string DeviceBytesToUtf8(std::string_view bytes);

// The predefined entities and character references of XML text decoded
// (references to characters as UTF-8); anything malformed stays as written.
std::string DecodeXmlText(std::string_view text);

// What a person reads of a metadata value: references decoded, then UTF-8
// with the per-byte fallback above. The result is always valid UTF-8.
std::string ShownMetadataText(std::string_view value);

// For printing wide texts (such as the device details) on a UTF-8 terminal.
// Characters that are not Unicode scalar values become U+FFFD.
std::string WideToUtf8(std::wstring_view text);

// As WideToUtf8, but device text is hostile: control characters other than
// tab and line feed (escape sequences above all) become U+FFFD, so printing
// the result cannot drive the terminal.
std::string WideToPrintableUtf8(std::wstring_view text);

}  // namespace signseek
