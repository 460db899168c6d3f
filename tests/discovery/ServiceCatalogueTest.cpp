#include "discovery/ServiceCatalogue.h"

#include "TestRecords.h"

#include <gtest/gtest.h>

namespace signseek {

using Names = std::vector<std::string>;

TEST(ServiceCatalogue, NamesKeepTheSuffixFromTheLastColon)
{
    EXPECT_EQ(GetServiceNames("ns3:quellad:8080"), (Names{"Configuration:8080"}));
    EXPECT_EQ(GetServiceNames("ns3:quellad"), (Names{"Configuration:quellad"}));
    EXPECT_EQ(GetServiceNames(VendorScope("contracts/Players:PlayerStatus")), (Names{"Status:PlayerStatus"}));
    EXPECT_EQ(GetServiceNames(VendorScope("contracts/Players:Diagnostics") + ":9000"), (Names{"Diagnostics:9000"}));
    EXPECT_EQ(GetServiceNames("playerd::80 mystery::80"), (Names{"Player Control:80", "mystery::80"}));
}

TEST(ServiceCatalogue, EarlierRowsWin)
{
    EXPECT_EQ(GetServiceNames("SecurityManagementSoap:443"), (Names{"Security:443"}));
    EXPECT_EQ(GetServiceNames("ImageUpdateService:1"), (Names{"Imaging:1"}));
    EXPECT_EQ(GetServiceNames("UpdateService:2 Management:3"), (Names{"Updater:2", "Management:3"}));
}

TEST(ServiceCatalogue, EveryRowIsReachable)
{
    const std::string tokens = "ConfigService:1 StateService:2 PlayerControlSoap:3 zamrod:4 vsftpd:5 "
                               "Image:6 UpdateService:7 " +
                               VendorScope("contracts/Players:Diagnostics") + ":8 " +
                               VendorScope("contracts/Players:Calibration") + ":9 " + kManagementContract + ":10";
    EXPECT_EQ(GetServiceNames(tokens),
              (Names{"Configuration:1", "Status:2", "Player Control:3", "Security:4", "File Transfer:5", "Imaging:6",
                     "Updater:7", "Diagnostics:8", "Calibration:9", "Management:10"}));
}

TEST(ServiceCatalogue, ContractPatternsNeedTheVendorRoot)
{
    EXPECT_EQ(GetServiceNames("http://example.com/contracts/Players:Calibration:9"),
              (Names{"http://example.com/contracts/Players:Calibration:9"}));
}

TEST(ServiceCatalogue, UnknownTokensAndDuplicatesStay)
{
    EXPECT_EQ(GetServiceNames("foo:81\tvsftpd:21\r\nvsftpd:2121"),
              (Names{"foo:81", "File Transfer:21", "File Transfer:2121"}));
    EXPECT_TRUE(GetServiceNames(" \t\r\n").empty());
    EXPECT_TRUE(GetServiceNames("").empty());
}

TEST(ServiceCatalogue, TokenWithoutColonShowsTheNameAloneOrItself)
{
    EXPECT_EQ(GetServiceNames("playerd"), (Names{"Player Control"}));
    EXPECT_EQ(GetServiceNames("unknownd"), (Names{"unknownd"}));
}

}  // namespace signseek
