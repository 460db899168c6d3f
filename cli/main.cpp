// signseek-find: searches the local network for display devices from a shell.

#include "cli/FindOptions.h"
#include "cli/InterfaceChoice.h"
#include "cli/ProgressLine.h"
#include "cli/ResultPrinter.h"
#include "cli/SearchRunner.h"
#include "cli/VerboseReport.h"
#include "common/Version.h"
#include "settings/AdapterSource.h"
#include "settings/DiscoverySettings.h"

#include <cstdio>
#include <iostream>
#include <optional>

namespace {

int Fail(const std::string &message, int status)
{
    std::cerr << "signseek-find: " << message << '\n';
    return status;
}

}  // namespace

int main(int argc, char **argv)
{
    CDiscoverySettings saved;
    saved.Load();
    ParsedOptions parsed = ParseFindOptions(std::vector<std::string>(argv + 1, argv + argc), OptionsFromSettings(saved));
    if (!parsed.options) return Fail(parsed.error, kExitUsage);
    const FindOptions &options = *parsed.options;
    if (options.help) {
        std::cout << FindUsage();
        return kExitSuccess;
    }
    if (options.version) {
        std::cout << "signseek-find " << SIGNSEEK_VERSION << '\n';
        return kExitSuccess;
    }
    const std::unique_ptr<signseek::AdapterSource> adapterSource = signseek::CreateAdapterSource();
    const signseek::AdapterSource &adapters = *adapterSource;
    if (options.listInterfaces) {
        std::cout << FormatAdapters(UsableAdapters(adapters));
        return kExitSuccess;
    }

    InterfaceChoice choice = ChooseInterface(options.interface, adapters);
    if (!choice.address) return Fail(choice.error, choice.unknownAdapter ? kExitUsage : kExitRunFailed);

    VerboseReport verbose(std::cerr);
    SearchSettings settings;
    settings.interfaceAddress = *choice.address;
    settings.values = options.values;
    if (options.verbose) settings.observer = &verbose;

    SearchOutcome outcome;
    {
        // The bar would tear the verbose lines apart.
        std::optional<ProgressLine> progress;
        if (!options.verbose) progress.emplace(std::chrono::seconds(UsableTimeout(options.values.discoveryTimeout) + 1));
        outcome = RunSearch(settings);
    }
    std::vector<std::string> failures;
    for (const std::string &failure : {outcome.devicesFailure, outcome.bridgesFailure})
        if (!failure.empty() && (failures.empty() || failures.front() != failure)) failures.push_back(failure);
    for (const std::string &failure : failures) std::cerr << "signseek-find: " << failure << '\n';
    const int status = failures.empty() ? kExitSuccess : kExitRunFailed;
    if (outcome.recordLimitReached)
        std::cerr << "signseek-find: more devices answered than a search keeps; only the first ones are listed\n";

    switch (options.format) {
    case OutputFormat::Table:
        // "No devices found." would read as an empty network.
        if (status == kExitSuccess || !outcome.devices.empty()) std::cout << FormatTable(outcome.devices);
        break;
    case OutputFormat::Csv: std::cout << FormatCsv(outcome.devices); break;
    case OutputFormat::Json: std::cout << FormatJson(outcome.devices); break;
    }
    return status;
}
