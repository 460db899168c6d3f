// signseek-find: searches the local network for display devices from a shell.

#include "cli/FindOptions.h"
#include "cli/InterfaceChoice.h"
#include "cli/ProbeCounter.h"
#include "cli/ProgressLine.h"
#include "cli/SearchRunner.h"
#include "cli/StopSignals.h"
#include "cli/VerboseReport.h"
#include "cli/WatchMode.h"
#include "cli/mqtt/BrokerSetup.h"
#include "cli/mqtt/FleetListing.h"
#include "common/Version.h"
#include "discovery/ReplyPort.h"
#include "discovery/TargetList.h"
#include "present/ResultPrinter.h"
#include "settings/AdapterList.h"
#include "settings/AdapterSource.h"
#include "settings/DiscoverySettings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <mutex>
#include <optional>

using namespace signseek;

namespace {

int Fail(const std::string& message, int status)
{
    std::cerr << "signseek-find: " << message << '\n';
    return status;
}

// Whether standard output took what was written; when not, the cause is kept
// (a full disk, a pipe whose reader has gone and SIGPIPE ignored).
bool OutputTook(std::string& failure)
{
    if (std::cout) return true;
    if (failure.empty())
        failure = "cannot write the output: " + std::string(errno ? std::strerror(errno) : "unknown cause");
    return false;
}

// Writes text to standard output now; false, with the cause kept, when it could not go out.
bool WriteOutput(const std::string& text, std::string& failure)
{
    errno = 0;
    std::cout << text << std::flush;
    return OutputTook(failure);
}

// Takes the list: each record goes once its text is out.
void PrintDevices(OutputFormat format, std::vector<FoundDevice> devices, bool complete, std::string& failure)
{
    // The list goes out as it is made, through the stream's buffer.
    const TextOutput out = [&failure](std::string_view piece) {
        errno = 0;
        std::cout.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        return OutputTook(failure);
    };
    switch (format) {
    case OutputFormat::Table:
        // "No devices found." would read as an empty network.
        if (complete || !devices.empty()) WriteTable(std::move(devices), out);
        break;
    case OutputFormat::Csv: WriteCsv(std::move(devices), out); break;
    case OutputFormat::Json: WriteJson(std::move(devices), out); break;
    case OutputFormat::Ndjson:
        for (const FoundDevice& device : devices)
            if (!WriteOutput(FormatNdjsonLine("found", device), failure)) break;
        break;
    }
    if (std::cout) {
        errno = 0;
        std::cout.flush();
        OutputTook(failure);
    }
}

int ListFleetDevices(const FindOptions& options)
{
    FleetListing listing = ListFleet(options);
    if (!listing.failure.empty()) return Fail(listing.failure, listing.badSetup ? kExitUsage : kExitRunFailed);
    if (listing.limitReached)
        std::cerr << "signseek-find: the broker holds more devices than a listing keeps; only some are listed\n";
    if (listing.unreadable)
        std::cerr << "signseek-find: " << listing.unreadable << " retained messages were no device's record\n";
    std::string writeFailure;
    PrintDevices(options.format, std::move(listing.devices), true, writeFailure);
    if (!writeFailure.empty()) return Fail(writeFailure, kExitRunFailed);
    return kExitSuccess;
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
#ifdef __GLIBC__
    // One heap for every thread: the runs make their records on threads of
    // their own and the list is printed on this one. With a heap per thread
    // the memory a printed record gives back could not hold its rows, and a
    // list at the text cap would cost half as much again.
    mallopt(M_ARENA_MAX, 1);
#endif
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    ParsedOptions parsed = ParseFindOptions(arguments);
    std::vector<std::string> settingsNotes;
    if (parsed.options && !parsed.options->noConfig) {
        CDiscoverySettings saved;
        settingsNotes = saved.Load();
        parsed = ParseFindOptions(arguments, OptionsFromSettings(saved));
    }
    if (!parsed.options) return Fail(parsed.error, kExitUsage);
    FindOptions options = *parsed.options;
    if (options.help) {
        std::cout << FindUsage();
        return kExitSuccess;
    }
    if (options.version) {
        std::cout << "signseek-find " << SIGNSEEK_VERSION << '\n';
        return kExitSuccess;
    }
    if (options.from) return ListFleetDevices(options);
    const std::unique_ptr<signseek::AdapterSource> adapterSource = signseek::CreateAdapterSource();
    const signseek::AdapterSource& adapters = *adapterSource;
    if (options.listInterfaces) {
        std::cout << FormatAdapters(UsableAdapters(adapters));
        return kExitSuccess;
    }

    // What the load left out of the saved settings, before any search output.
    for (const std::string& note : settingsNotes) std::cerr << "signseek-find: " << note << '\n';

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

    // Checked before anything goes out, so a held port is said at once.
    const ReplyPortChoice reply =
        ChooseReplyPort(options.replyPort, settings.adapters.empty() ? settings.interfaceAddress : "0.0.0.0");
    if (!reply.failure.empty()) return Fail(reply.failure, kExitRunFailed);
    if (!reply.note.empty()) std::cerr << "signseek-find: " << reply.note << '\n';
    options.replyPort = reply.port;
    settings.listenPort = reply.port;

    VerboseReport verbose(std::cerr);
    if (options.watch) {
        InstallStopSignals();
        StartedPublisher started;
        if (options.publish) {
            started = StartPublisher(
                options, [](const std::string& line) { std::cerr << ("signseek-find: " + line + '\n') << std::flush; });
            if (!started.publisher) return Fail(started.error, kExitUsage);
        }
        return RunWatchMode(options, settings.interfaceAddress, options.verbose ? &verbose : nullptr, StopRequested(),
                            std::cout, std::cerr, started.publisher.get());
    }
    settings.values = options.values;
    ProbeCounter probes(options.verbose ? &verbose : nullptr);
    settings.observer = &probes;
    std::mutex printing;
    std::string writeFailure;
    if (options.format == OutputFormat::Ndjson)
        // Called from both runs' threads; each line goes out whole and at once.
        settings.onRecord = [&printing, &writeFailure](const char* run, RecordChange change, std::size_t,
                                                       const DeviceRecord& record) {
            const std::string line = FormatNdjsonLine(RecordChangeName(change), {run, record});
            std::lock_guard lock(printing);
            WriteOutput(line, writeFailure);
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
    if (outcome.shedConnections > 0)
        std::cerr << "signseek-find: " << ShedConnectionsText(outcome.shedConnections) << '\n';

    // NDJSON: each device went out as it came.
    if (options.format != OutputFormat::Ndjson)
        PrintDevices(options.format, std::move(outcome.devices), status == kExitSuccess, writeFailure);
    if (!writeFailure.empty()) {
        std::cerr << "signseek-find: " << writeFailure << '\n';
        status = kExitRunFailed;
    }
    // "Is this one device there?" answered by the status as well.
    const bool oneAddress = options.targetsFile.empty() && options.targets.size() == 1 && settings.targets.size() == 1;
    if (status == kExitSuccess && oneAddress && !outcome.silentTargets.empty()) status = kExitNotFound;
    // A stopped search has listed what it found; the status says it was cut short.
    if (StopSignal() != 0) status = kExitSignalBase + StopSignal();
    return status;
}
