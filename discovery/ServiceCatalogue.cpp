#include "discovery/ServiceCatalogue.h"

#include "common/TextHelpers.h"
#include "common/VendorConstants.h"

#include <array>
#include <string_view>

namespace signseek {

namespace {

struct CatalogueRow {
    std::string_view displayName;
    std::array<std::string_view, 3> patterns;  // empty entries are unused
    bool contractsRelative[3];                 // pattern follows VENDOR_URI_ROOT
};

// Row order matters: the first row with a matching pattern wins.
constexpr CatalogueRow kCatalogue[] = {
    {"Configuration", {"ns3:quellad", "contracts/Players:PlayerConfig", "ConfigService"}, {false, true, false}},
    {"Status", {"ns4:quellad", "contracts/Players:PlayerStatus", "StateService"}, {false, true, false}},
    {"Player Control", {"playerd", "contracts/Players:PlayerControl", "PlayerControlSoap"}, {false, true, false}},
    {"Security", {"zamrod", "contracts/Players:PlayerSecurity", "SecurityManagementSoap"}, {false, true, false}},
    {"File Transfer", {"vsftpd", "contracts/Players:PlayerFileTransfer", "FileTransfer"}, {false, true, false}},
    {"Imaging", {"contracts/Players:Imaging", "Image", ""}, {true, false, false}},
    {"Updater", {"UpdateService", "", ""}, {false, false, false}},
    {"Diagnostics", {"contracts/Players:Diagnostics", "", ""}, {true, false, false}},
    {"Calibration", {"contracts/Players:Calibration", "", ""}, {true, false, false}},
    {"Management", {"contracts/Players:Management", "Management", ""}, {true, false, false}},
};

bool RowMatches(const CatalogueRow& row, const std::string& token)
{
    for (std::size_t i = 0; i < row.patterns.size(); ++i) {
        if (row.patterns[i].empty()) continue;
        std::string pattern;
        if (row.contractsRelative[i]) pattern = VENDOR_URI_ROOT;
        pattern += row.patterns[i];
        if (Contains(token, pattern)) return true;
    }
    return false;
}

std::string ServiceName(const std::string& token)
{
    for (const CatalogueRow& row : kCatalogue) {
        if (!RowMatches(row, token)) continue;
        std::string name(row.displayName);
        // A token a device reported without any colon has no suffix to keep.
        const std::size_t colon = token.rfind(':');
        if (colon != std::string::npos) name += token.substr(colon);
        return name;
    }
    return token;
}

}  // namespace

std::vector<std::string> GetServiceNames(std::string services)
{
    std::vector<std::string> names;
    for (const std::string& token : SplitString(services, WHITESPACE_DELIMITERS)) names.push_back(ServiceName(token));
    return names;
}

}  // namespace signseek
