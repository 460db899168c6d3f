#include "common/TextEncoding.h"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace signseek {

namespace {

void AppendUtf8(std::string& out, char32_t c)
{
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Where the run of ASCII characters from `from` ends: most of any device's
// text, which goes across unchanged a run at a time.
template <typename Char> std::size_t AsciiRunEnd(std::basic_string_view<Char> text, std::size_t from)
{
    while (from < text.size() && static_cast<std::uint32_t>(text[from]) < 0x80) ++from;
    return from;
}

std::string EncodeWide(std::wstring_view text, bool printableOnly)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        // ASCII that stays as it is goes across a run at a time.
        std::size_t plain = i;
        for (; plain < text.size(); ++plain) {
            const auto unit = static_cast<std::uint32_t>(text[plain]);
            const bool kept =
                unit < 0x80 && (!printableOnly || (unit >= 0x20 && unit != 0x7F) || unit == '\t' || unit == '\n');
            if (!kept) break;
        }
        out.append(text.begin() + static_cast<std::ptrdiff_t>(i), text.begin() + static_cast<std::ptrdiff_t>(plain));
        if ((i = plain) == text.size()) break;
        char32_t c = static_cast<char32_t>(text[i]);
        // A 16-bit wchar_t platform stores characters beyond the BMP as pairs.
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
                const char32_t low = static_cast<char32_t>(text[i + 1]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
        if (printableOnly && control && c != '\t' && c != '\n') c = 0xFFFD;
        AppendUtf8(out, c);
    }
    return out;
}

// Length of the well-formed UTF-8 sequence at text[i] and its character, or 0
// when the bytes there are not one (overlong forms and surrogates included).
std::size_t Utf8SequenceAt(std::string_view text, std::size_t i, char32_t& c)
{
    const auto byte = [&text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        c = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return length;
}

void AppendWide(std::wstring& out, char32_t c)
{
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

// A character reference's value, when `body` (between "&#" and ";") is one
// naming a character XML allows.
bool CharacterReference(std::string_view body, char32_t& c)
{
    const bool hex = !body.empty() && body.front() == 'x';
    if (hex) body.remove_prefix(1);
    if (body.empty() || body.size() > 8) return false;
    c = 0;
    for (const char d : body) {
        int v;
        if (d >= '0' && d <= '9')
            v = d - '0';
        else if (hex && d >= 'a' && d <= 'f')
            v = d - 'a' + 10;
        else if (hex && d >= 'A' && d <= 'F')
            v = d - 'A' + 10;
        else
            return false;
        c = c * (hex ? 16 : 10) + static_cast<char32_t>(v);
        if (c > 0x10FFFF) return false;
    }
    return c != 0 && !(c >= 0xD800 && c <= 0xDFFF);
}

}  // namespace

std::wstring WidenDeviceBytes(std::string_view bytes)
{
    std::wstring wide;
    wide.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t ascii = AsciiRunEnd(bytes, i);
        wide.append(bytes.begin() + static_cast<std::ptrdiff_t>(i), bytes.begin() + static_cast<std::ptrdiff_t>(ascii));
        if ((i = ascii) == bytes.size()) break;
        char32_t c = 0;
        const std::size_t length = Utf8SequenceAt(bytes, i, c);
        if (length == 0) {
            AppendWide(wide, static_cast<unsigned char>(bytes[i]));
            ++i;
        } else {
            AppendWide(wide, c);
            i += length;
        }
    }
    return wide;
}

std::string DeviceBytesToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t ascii = AsciiRunEnd(bytes, i);
        out.append(bytes.substr(i, ascii - i));
        if ((i = ascii) == bytes.size()) break;
        char32_t c = 0;
        const std::size_t length = Utf8SequenceAt(bytes, i, c);
        if (length == 0) {
            AppendUtf8(out, static_cast<unsigned char>(bytes[i]));
            ++i;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::string DecodeXmlText(std::string_view text)
{
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (std::size_t amp; (amp = text.find('&', pos)) != std::string_view::npos;) {
        out.append(text.substr(pos, amp - pos));
        pos = amp + 1;
        // References are short; a far-off ';' belongs to other text.
        const std::size_t semicolon = text.substr(0, amp + 12).find(';', amp + 1);
        if (semicolon == std::string_view::npos) {
            out += '&';
            continue;
        }
        const std::string_view body = text.substr(amp + 1, semicolon - amp - 1);
        bool decoded = false;
        char32_t c = 0;
        if (body.size() > 1 && body.front() == '#' && CharacterReference(body.substr(1), c)) {
            AppendUtf8(out, c);
            decoded = true;
        } else {
            for (const auto& [name, value] : kEntities) {
                if (body == name) {
                    out += value;
                    decoded = true;
                    break;
                }
            }
        }
        if (decoded)
            pos = semicolon + 1;
        else
            out += '&';
    }
    out.append(text.substr(pos));
    return out;
}

std::string ShownMetadataText(std::string_view value) { return DeviceBytesToUtf8(DecodeXmlText(value)); }

std::wstring WidenLatin1(std::string_view text)
{
    std::wstring wide;
    wide.reserve(text.size());
    for (const char c : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return wide;
}

std::string Latin1ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) AppendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

std::string WideToUtf8(std::wstring_view text) { return EncodeWide(text, false); }

std::string WideToPrintableUtf8(std::wstring_view text) { return EncodeWide(text, true); }

}  // namespace signseek
