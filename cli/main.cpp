// signseek-find: searches the local network for display devices from a shell.

#include "cli/FindOptions.h"
#include "cli/InterfaceChoice.h"
#include "cli/ProgressLine.h"
#include "cli/ResultPrinter.h"
#include "cli/SearchRunner.h"
#include "settings/AdapterSource.h"

#include <cstdio>
#include <iostream>

namespace {

constexpr char kVersion[] = "1.3.4.1";

int Fail(const std::string &message)
{
    std::cerr << "signseek-find: " << message << '\n';
    return 2;
}

}  // namespace

int main(int argc, char **argv)
{
    ParsedOptions parsed = ParseFindOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) return Fail(parsed.error);
    const FindOptions &options = *parsed.options;
    if (options.help) {
        std::cout << FindUsage();
        return 0;
    }
    if (options.version) {
        std::cout << "signseek-find " << kVersion << '\n';
        return 0;
    }

    InterfaceChoice choice = ChooseInterface(options.interface, signseek::LinuxAdapterSource());
    if (!choice.address) return Fail(choice.error);

    SearchSettings settings;
    settings.interfaceAddress = *choice.address;
    settings.discoveryPort = static_cast<std::uint16_t>(options.discoveryPort);
    settings.ttl = options.ttl;
    settings.discoveryTimeout = options.discoveryTimeout;
    settings.receiveTimeout = options.receiveTimeout;

    SearchOutcome outcome;
    {
        ProgressLine progress(std::chrono::seconds(options.discoveryTimeout + 1));
        outcome = RunSearch(settings);
    }
    if (outcome.devicesRunFailed) std::cerr << "signseek-find: the device search could not run\n";
    if (outcome.bridgesRunFailed) std::cerr << "signseek-find: the bridge search could not run\n";
    if (outcome.recordLimitReached)
        std::cerr << "signseek-find: more devices answered than a search keeps; only the first ones are listed\n";

    switch (options.format) {
    case OutputFormat::Table: std::cout << FormatTable(outcome.devices); break;
    case OutputFormat::Csv: std::cout << FormatCsv(outcome.devices); break;
    case OutputFormat::Json: std::cout << FormatJson(outcome.devices); break;
    }
    return 0;
}
