// signseek-find: searches the local network for display devices from a shell.

#include "cli/FindOptions.h"
#include "cli/InterfaceChoice.h"
#include "cli/ProbeCounter.h"
#include "cli/ProgressLine.h"
#include "cli/SearchRunner.h"
#include "cli/StopSignals.h"
#include "cli/VerboseReport.h"
#include "cli/WatchMode.h"
#include "common/Version.h"
#include "discovery/ResultPrinter.h"
#include "discovery/TargetList.h"
#include "settings/AdapterList.h"
#include "settings/AdapterSource.h"
#include "settings/DiscoverySettings.h"

#include <cstdio>
#include <iostream>
#include <mutex>
#include <optional>

using namespace signseek;

namespace {

int Fail(const std::string& message, int status)
{
    std::cerr << "signseek-find: " << message << '\n';
    return status;
}

// The options' targets and target file as addresses; the error, if any.
std::string AddTargets(const FindOptions& options, SearchSettings& settings)
{
    std::vector<std::string> texts = options.targets;
    if (!options.targetsFile.empty()) {
        TargetFile file = ReadTargetFile(options.targetsFile);
        if (!file.error.empty()) return "--targets-from: " + file.error;
        if (file.texts.empty()) return "--targets-from: " + options.targetsFile + " names no target";
        texts.insert(texts.end(), file.texts.begin(), file.texts.end());
    }
    TargetList list = ParseTargets(texts);
    if (!list.error.empty()) return list.error;
    settings.targets = std::move(list.addresses);
    settings.probeRate = options.probeRate;
    return {};
}

}  // namespace

int main(int argc, char** argv)
{
    CDiscoverySettings saved;
    saved.Load();
    ParsedOptions parsed =
        ParseFindOptions(std::vector<std::string>(argv + 1, argv + argc), OptionsFromSettings(saved));
    if (!parsed.options) return Fail(parsed.error, kExitUsage);
    const FindOptions& options = *parsed.options;
    if (options.help) {
        std::cout << FindUsage();
        return kExitSuccess;
    }
    if (options.version) {
        std::cout << "signseek-find " << SIGNSEEK_VERSION << '\n';
        return kExitSuccess;
    }
    const std::unique_ptr<signseek::AdapterSource> adapterSource = signseek::CreateAdapterSource();
    const signseek::AdapterSource& adapters = *adapterSource;
    if (options.listInterfaces) {
        std::cout << FormatAdapters(UsableAdapters(adapters));
        return kExitSuccess;
    }

    SearchSettings settings;
    if (const std::string error = AddTargets(options, settings); !error.empty()) return Fail(error, kExitUsage);
    // Targets alone: only they are asked, and the search may end early.
    const bool directedOnly = !settings.targets.empty() && options.interface.empty();
    if (directedOnly) {
        settings.endWhenTargetsAnswered = true;
    } else if (options.interface == kAllAdapters) {
        settings.adapters = signseek::GetAllAdapterAddresses(adapters);
        if (settings.adapters.empty()) return Fail("no network adapter with an IPv4 address", kExitRunFailed);
    } else {
        InterfaceChoice choice = ChooseInterface(options.interface, adapters);
        if (!choice.address) return Fail(choice.error, choice.unknownAdapter ? kExitUsage : kExitRunFailed);
        settings.interfaceAddress = *choice.address;
    }

    VerboseReport verbose(std::cerr);
    if (options.watch) {
        InstallStopSignals();
        return RunWatchMode(options, settings.interfaceAddress, options.verbose ? &verbose : nullptr, StopRequested(),
                            std::cout, std::cerr);
    }
    settings.values = options.values;
    ProbeCounter probes(options.verbose ? &verbose : nullptr);
    settings.observer = &probes;
    std::mutex printing;
    if (options.format == OutputFormat::Ndjson)
        // Called from both runs' threads; each line goes out whole and at once.
        settings.onRecord = [&printing](const char* run, RecordChange change, std::size_t, const DeviceRecord& record) {
            const std::string line = FormatNdjsonLine(RecordChangeName(change), {run, record});
            std::lock_guard lock(printing);
            std::cout << line << std::flush;
        };
    InstallStopSignals();
    settings.stop = &StopRequested();

    SearchOutcome outcome;
    {
        // The bar would tear the verbose lines apart; NDJSON lines are their own progress.
        std::optional<ProgressLine> progress;
        // Directed probes add their sending time: a probe per run and target, two for the device run.
        const auto sweep = std::chrono::milliseconds(3000 * settings.targets.size() / settings.probeRate);
        if (!options.verbose && options.format != OutputFormat::Ndjson)
            progress.emplace(std::chrono::seconds(UsableTimeout(options.values.discoveryTimeout) + 1) + sweep,
                             settings.targets.empty() ? nullptr : &probes.sent);
        outcome = RunSearch(settings);
    }
    if (options.verbose)
        for (const std::string& target : outcome.silentTargets)
            std::cerr << "signseek-find: no answer from " << target << '\n';
    std::vector<std::string> failures;
    for (const std::string& failure : {outcome.devicesFailure, outcome.bridgesFailure})
        if (!failure.empty() && (failures.empty() || failures.front() != failure)) failures.push_back(failure);
    for (const std::string& failure : failures) std::cerr << "signseek-find: " << failure << '\n';
    int status = failures.empty() ? kExitSuccess : kExitRunFailed;
    if (outcome.recordLimitReached)
        std::cerr << "signseek-find: more devices answered than a search keeps; only the first ones are listed\n";

    switch (options.format) {
    case OutputFormat::Table:
        // "No devices found." would read as an empty network.
        if (status == kExitSuccess || !outcome.devices.empty()) std::cout << FormatTable(outcome.devices);
        break;
    case OutputFormat::Csv: std::cout << FormatCsv(outcome.devices); break;
    case OutputFormat::Json: std::cout << FormatJson(outcome.devices); break;
    case OutputFormat::Ndjson: break;  // each device went out as it came
    }
    // "Is this one device there?" answered by the status as well.
    const bool oneAddress = options.targetsFile.empty() && options.targets.size() == 1 && settings.targets.size() == 1;
    if (status == kExitSuccess && oneAddress && !outcome.silentTargets.empty()) status = kExitNotFound;
    // A stopped search has listed what it found; the status says it was cut short.
    if (StopSignal() != 0) status = kExitSignalBase + StopSignal();
    return status;
}
