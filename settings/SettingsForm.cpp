#include "settings/SettingsForm.h"

#include "common/TextHelpers.h"

#include <algorithm>
#include <cstdint>

namespace signseek {

namespace {

constexpr size_t kFieldLimit = 63;

}  // namespace

std::optional<std::uint32_t> ReadUnsignedField(std::string_view text)
{
    // A negative number wraps as an unsigned read would.
    auto value = LeadingDigits(text.substr(0, std::min(text.size(), kFieldLimit)));
    if (!value) return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

std::optional<std::int32_t> ReadSignedField(std::string_view text)
{
    return LeadingDigits(text.substr(0, std::min(text.size(), kFieldLimit)));
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
