#include "cli/mqtt/BrokerSetup.h"

#include "cli/mqtt/DeviceTopic.h"

#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace signseek {

namespace {

constexpr std::size_t kMaxPassword = 4096;

// The first line of the file; nothing when it cannot be read.
std::optional<std::string> PasswordFromFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::string line;
    char c;
    while (line.size() <= kMaxPassword && file.get(c) && c != '\n') line += c;
    if (line.size() > kMaxPassword) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

CreatedLink LinkFor(const FindOptions& options, const BrokerAddress& address, const std::string& willTopic)
{
    BrokerLinkConfig config;
    config.host = address.host;
    config.port = address.port;
    config.tls = address.tls;
    config.tlsFiles = options.tlsFiles;
    config.user = address.user;
    config.password = address.password;
    if (!options.passwordFile.empty()) {
        std::optional<std::string> password = PasswordFromFile(options.passwordFile);
        if (!password) return {nullptr, "cannot read the broker password from " + options.passwordFile};
        config.password = *password;
    } else if (const char* fromEnvironment = std::getenv(kPasswordVariable);
               config.password.empty() && fromEnvironment) {
        config.password = fromEnvironment;
    }
    if (!config.password.empty() && config.user.empty())
        return {nullptr, "a broker password needs a user (mqtt://USER@HOST/...)"};
    if (!willTopic.empty()) {
        config.willTopic = willTopic;
        config.willPayload = kOffline;
    }
    return CreateMosquittoLink(config);
}

std::string PublishRoot(const FindOptions& options)
{
    std::string site = options.site;
    if (site.empty()) {
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        site = SiteFromHostName(host);
    }
    return options.publish->path + '/' + site;
}

StartedPublisher StartPublisher(const FindOptions& options, WatchPublisher::Notice notice)
{
    PublisherSettings settings;
    settings.root = PublishRoot(options);
    settings.brokerName = options.publish->Where();
    // By then the watch has heard every device present at least once.
    const DiscoveryValues& v = options.values;
    settings.staleAfterMillis =
        1000 * (3 * std::int64_t{options.watchInterval} + 2 * v.discoveryTimeout + v.receiveTimeout);
    CreatedLink created = LinkFor(options, *options.publish, settings.root + '/' + kStatusLevel);
    if (!created.link) return {nullptr, created.error};
    auto publisher = std::make_unique<WatchPublisher>(std::move(created.link), settings, std::move(notice));
    publisher->Start();
    return {std::move(publisher), ""};
}

}  // namespace signseek
