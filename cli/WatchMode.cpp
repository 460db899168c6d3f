#include "cli/WatchMode.h"

#include "cli/mqtt/DeviceTopic.h"
#include "cli/mqtt/WatchPublisher.h"
#include "common/VendorConstants.h"
#include "discovery/AnnouncementEvidence.h"
#include "discovery/WatchRun.h"
#include "present/DisplayRows.h"
#include "present/ResultPrinter.h"

#include <mutex>

namespace signseek {

int RunWatchMode(const FindOptions& options, const std::string& interfaceAddress, RunObserver* observer,
                 const std::atomic<bool>& stop, std::ostream& out, std::ostream& err, WatchPublisher* publisher)
{
    std::mutex printing;
    std::string lastFailure;
    WatchRequest request;
    request.search.listenPort = options.replyPort.value_or(REPLY_PORT);
    request.search.values = options.values;
    request.search.interfaceAddress = interfaceAddress;
    request.search.pObserver = observer;
    request.intervalSeconds = options.watchInterval;
    request.shownText = ShownText;
    // A run that cannot run fails the same way every interval: say it when it changes.
    request.onRunFailure = [&](const std::string& failure) {
        std::lock_guard lock(printing);
        if (failure != lastFailure) err << "signseek-find: " << failure << '\n' << std::flush;
        lastFailure = failure;
    };
    request.onHeldBack = [&](std::size_t heldBack) {
        std::lock_guard lock(printing);
        err << "signseek-find: " << HeldBackText(heldBack) << '\n' << std::flush;
    };
    const std::string failure = RunWatch(
        request,
        [&](WatchEvent event, const std::string& foundBy, const DeviceRecord& record) {
            const std::string line = FormatNdjsonLine(WatchEventName(event), {foundBy, record});
            if (publisher)
                publisher->Tell(DeviceTopicId(record, interfaceAddress),
                                event == WatchEvent::Lost ? std::string() : FormatJsonDevice({foundBy, record}),
                                line.substr(0, line.size() - 1));
            std::lock_guard lock(printing);
            out << line << std::flush;
        },
        stop);
    if (!failure.empty()) {
        err << "signseek-find: " << failure << '\n';
        return kExitRunFailed;
    }
    return kExitSuccess;
}

}  // namespace signseek
