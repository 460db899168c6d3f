#include "settings/SettingsForm.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>

namespace signseek {

namespace {

constexpr size_t kFieldLimit = 63;
constexpr std::uint64_t kSaturation = std::uint64_t{1} << 33;

struct Leading {
    bool negative = false;
    std::uint64_t magnitude = 0;  // saturated at kSaturation
};

std::optional<Leading> ReadLeading(std::string_view text)
{
    text = text.substr(0, std::min(text.size(), kFieldLimit));
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    Leading l;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) l.negative = text[i++] == '-';
    size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits)
        l.magnitude = std::min(kSaturation, l.magnitude * 10 + static_cast<unsigned>(text[i] - '0'));
    if (digits == 0) return std::nullopt;
    return l;
}

}  // namespace

std::optional<std::uint32_t> ReadUnsignedField(std::string_view text)
{
    auto l = ReadLeading(text);
    if (!l) return std::nullopt;
    if (l->negative && l->magnitude > 0) {
        // Wraps as an unsigned read would, but never round to a small value.
        std::uint64_t m = std::min<std::uint64_t>(l->magnitude, std::uint64_t{1} << 31);
        return static_cast<std::uint32_t>((std::uint64_t{1} << 32) - m);
    }
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(l->magnitude, std::numeric_limits<std::uint32_t>::max()));
}

std::optional<std::int32_t> ReadSignedField(std::string_view text)
{
    auto l = ReadLeading(text);
    if (!l) return std::nullopt;
    std::int64_t v = static_cast<std::int64_t>(l->magnitude);
    if (l->negative) v = -v;
    v = std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(v);
}

std::string RangeMessage(const SettingRange& range)
{
    std::string text = kEnterIntegerBetween;
    text.replace(text.find("%1"), 2, std::to_string(range.low));
    text.replace(text.find("%2"), 2, std::to_string(range.high));
    return text;
}

SettingsFormResult ReadSettingsForm(const SettingsFieldTexts& texts)
{
    SettingsFormResult r;
    auto fail = [&r](SettingsField field, std::string message) {
        r.field = field;
        r.message = std::move(message);
        return r;
    };
    auto discovery = ReadUnsignedField(texts.discoveryTimeout);
    if (!discovery) return fail(SettingsField::DiscoveryTimeout, kEnterPositiveInteger);
    auto port = ReadSignedField(texts.port);
    if (!port) return fail(SettingsField::Port, kEnterInteger);
    auto receive = ReadUnsignedField(texts.receiveTimeout);
    if (!receive) return fail(SettingsField::ReceiveTimeout, kEnterPositiveInteger);
    auto ttl = ReadUnsignedField(texts.ttl);
    if (!ttl) return fail(SettingsField::Ttl, kEnterPositiveInteger);

    if (!kDiscoveryTimeoutRange.Contains(*discovery))
        return fail(SettingsField::DiscoveryTimeout, RangeMessage(kDiscoveryTimeoutRange));
    if (!kReceiveTimeoutRange.Contains(*receive))
        return fail(SettingsField::ReceiveTimeout, RangeMessage(kReceiveTimeoutRange));
    if (!kDiscoveryPortRange.Contains(static_cast<std::uint32_t>(*port)))
        return fail(SettingsField::Port, RangeMessage(kDiscoveryPortRange));
    if (!kDiscoveryTtlRange.Contains(*ttl)) return fail(SettingsField::Ttl, RangeMessage(kDiscoveryTtlRange));
    // Every range lies within the signed values.
    DiscoveryValues v;
    v.discoveryTimeout = static_cast<std::int32_t>(*discovery);
    v.receiveTimeout = static_cast<std::int32_t>(*receive);
    v.discoveryPort = *port;
    v.ttl = static_cast<std::int32_t>(*ttl);
    r.values = v;
    return r;
}

std::uint32_t StepUpDown(std::string_view text, std::uint32_t lastPosition, int steps, const SettingRange& range)
{
    std::int64_t position = lastPosition;
    if (auto typed = ReadUnsignedField(text)) position = *typed;
    position = std::clamp<std::int64_t>(position + steps, range.low, range.high);
    return static_cast<std::uint32_t>(position);
}

}  // namespace signseek
