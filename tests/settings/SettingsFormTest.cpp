// Reading and checking the settings dialog's fields on OK.

#include "settings/SettingsForm.h"

#include <gtest/gtest.h>

namespace signseek {
namespace {

SettingsFieldTexts Defaults() { return {"8", "1", "3702", "2"}; }

std::string MessageFor(SettingsFieldTexts texts) { return ReadSettingsForm(texts).message; }

TEST(SettingsForm, AcceptsValuesInRangeAndIgnoresTextAfterTheNumber)
{
    SettingsFormResult r = ReadSettingsForm(Defaults());
    ASSERT_TRUE(r.values);
    EXPECT_EQ(DiscoveryValues{}, *r.values);

    r = ReadSettingsForm({" 12s", "\t600", "8080x", "45"});
    ASSERT_TRUE(r.values) << r.message;
    EXPECT_EQ((DiscoveryValues{12, 600, 8080, 45}), *r.values);
}

TEST(SettingsForm, RefusesWithTheFirstFailureInReadingThenRangeOrder)
{
    auto with = [](auto change) {
        SettingsFieldTexts t = Defaults();
        change(t);
        return ReadSettingsForm(t);
    };
    SettingsFormResult r = with([](auto& t) { t.ttl = "51"; });
    EXPECT_EQ("Enter an integer between 1 and 50.", r.message);
    EXPECT_EQ(SettingsField::Ttl, r.field);
    EXPECT_FALSE(r.values);

    r = with([](auto& t) { t.receiveTimeout = "0"; });
    EXPECT_EQ("Enter an integer between 1 and 600.", r.message);
    EXPECT_EQ(SettingsField::ReceiveTimeout, r.field);

    r = with([](auto& t) { t.port = ""; });
    EXPECT_EQ("Enter an integer.", r.message);
    EXPECT_EQ(SettingsField::Port, r.field);
    EXPECT_EQ("Enter an integer between 1 and 65535.", MessageFor({"8", "1", "70000", "2"}));
    EXPECT_EQ("Enter an integer between 1 and 65535.", MessageFor({"8", "1", "-1", "2"}));

    // Both timeouts empty: the discovery timeout is read first.
    r = with([](auto& t) { t.discoveryTimeout = t.receiveTimeout = ""; });
    EXPECT_EQ("Enter a positive integer.", r.message);
    EXPECT_EQ(SettingsField::DiscoveryTimeout, r.field);

    // Reading comes before the range checks.
    r = with([](auto& t) {
        t.receiveTimeout = "0";
        t.port = "http";
    });
    EXPECT_EQ("Enter an integer.", r.message);
    // Ranges in order: discovery, receive, port, TTL.
    EXPECT_EQ("Enter an integer between 1 and 600.", MessageFor({"601", "1", "0", "0"}));
    EXPECT_EQ(SettingsField::ReceiveTimeout, ReadSettingsForm({"1", "0", "0", "0"}).field);
    EXPECT_EQ(SettingsField::Port, ReadSettingsForm({"1", "1", "0", "0"}).field);
    EXPECT_EQ("Enter a positive integer.", MessageFor({"8", "1", "3702", "x"}));
}

TEST(SettingsForm, NegativeAndHugeNumbersNeverWrapIntoARange)
{
    EXPECT_EQ(0xFFFFFFFBu, ReadUnsignedField("-5"));
    EXPECT_EQ("Enter an integer between 1 and 600.", MessageFor({"-5", "1", "3702", "2"}));
    // 2^32 - 4294967295 would be 1; 4294967297 would wrap to 1.
    EXPECT_EQ("Enter an integer between 1 and 600.", MessageFor({"-4294967295", "1", "3702", "2"}));
    EXPECT_EQ("Enter an integer between 1 and 600.", MessageFor({"4294967297", "1", "3702", "2"}));
    EXPECT_EQ("Enter an integer between 1 and 65535.", MessageFor({"8", "1", "-4294963594", "2"}));
    EXPECT_EQ(0u, ReadUnsignedField("-0"));
    EXPECT_EQ(0x80000000u, ReadUnsignedField("-99999999999"));
    EXPECT_EQ(-3, ReadSignedField("-3"));
    EXPECT_FALSE(ReadUnsignedField("-"));
    // Only the first 63 characters count.
    EXPECT_FALSE(ReadUnsignedField(std::string(63, ' ') + "5"));
    EXPECT_EQ(5u, ReadUnsignedField(std::string(62, ' ') + "5"));
}

TEST(SettingsForm, ArrowsStepWithinTheirOwnRange)
{
    EXPECT_EQ(30u, StepUpDown("29", 2, 1, kTtlArrows));
    EXPECT_EQ(30u, StepUpDown("30", 30, 1, kTtlArrows));
    EXPECT_EQ(30u, StepUpDown("45", 2, 1, kTtlArrows));
    EXPECT_EQ(1u, StepUpDown("1", 1, -1, kReceiveTimeoutArrows));
    EXPECT_EQ(6u, StepUpDown("", 5, 1, kDiscoveryTimeoutArrows));  // nothing typed: from the last position
    EXPECT_EQ(600u, StepUpDown("599", 1, 10, kDiscoveryTimeoutArrows));
}

}  // namespace
}  // namespace signseek
