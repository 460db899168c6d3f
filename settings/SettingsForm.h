#pragma once
// What the settings dialog does with its fields on OK, apart from the window:
// read all four fields, then check their ranges, stopping at the first
// failure with the message to show.

#include "common/DiscoveryValues.h"
#include "settings/SettingsRanges.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace signseek {

enum class SettingsField { DiscoveryTimeout, ReceiveTimeout, Port, Ttl };

struct SettingsFieldTexts {
    std::string discoveryTimeout;
    std::string receiveTimeout;
    std::string port;
    std::string ttl;
};

struct SettingsFormResult {
    std::optional<DiscoveryValues> values;                  // set when every check passed
    std::string message;                                    // else the message to show
    SettingsField field = SettingsField::DiscoveryTimeout;  // and the field to put the focus on
};

inline constexpr char kEnterPositiveInteger[] = "Enter a positive integer.";
inline constexpr char kEnterInteger[] = "Enter an integer.";
inline constexpr char kEnterIntegerBetween[] = "Enter an integer between %1 and %2.";

// A field as an unsigned or signed number: optional white space, an optional
// sign and at least one digit at the start of its first 63 characters; the
// rest is ignored. Numbers beyond the int range saturate, so a negative
// number in an unsigned field wraps to 2^31 or more and no range takes it.
std::optional<std::uint32_t> ReadUnsignedField(std::string_view text);
std::optional<std::int32_t> ReadSignedField(std::string_view text);

// "Enter an integer between %1 and %2." with the limits filled in.
std::string RangeMessage(const SettingRange& range);

// Reads discovery timeout, port, receive timeout and TTL in that order, then
// checks discovery timeout, receive timeout, port and TTL against their
// ranges, all compared as unsigned numbers.
SettingsFormResult ReadSettingsForm(const SettingsFieldTexts& texts);

// The value an up-down arrow gives a field: the field's number (or the last
// position when the text holds none) moved by steps and held to the range.
std::uint32_t StepUpDown(std::string_view text, std::uint32_t lastPosition, int steps, const SettingRange& range);

// The ranges of the dialog's arrows; the TTL arrows stop below what OK accepts.
inline constexpr SettingRange kDiscoveryTimeoutArrows{1, 600};
inline constexpr SettingRange kReceiveTimeoutArrows{1, 600};
inline constexpr SettingRange kTtlArrows{1, 30};

}  // namespace signseek
