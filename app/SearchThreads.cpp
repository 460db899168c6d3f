#include "app/SearchThreads.h"

#include "settings/AdapterList.h"

namespace signseek {

namespace {

SearchRequest RequestOf(WindowSearchRuns runs, std::shared_ptr<const AdapterSource> adapters)
{
    SearchRequest request;
    request.values = runs.values;
    request.replyPort = runs.replyPort;
    request.targets = runs.targets;
    request.probeRate = runs.probeRate;
    request.run = [runs = std::move(runs), adapters = std::move(adapters)](RunKind kind, const DiscoveryRequest& asked,
                                                                           const std::vector<std::string>&) {
        DiscoveryRequest request = asked;
        request.interfaceAddress = GetAdapterAddress(runs.adapterDescription, *adapters);
        return (kind == RunKind::Devices ? runs.devices : runs.bridges)(request);
    };
    return request;
}

}  // namespace

DiscoveryRunFunction EngineRun(RunKind kind)
{
    return [kind](const DiscoveryRequest& request) { return RunDiscovery(kind, request); };
}

WindowSearch::Sink::Sink(std::shared_ptr<MessageRoute> route, std::shared_ptr<RecordMailbox> mailbox)
    : m_route(std::move(route)), m_devices(MailboxSink(mailbox, RunKindName(RunKind::Devices))),
      m_bridges(MailboxSink(mailbox, RunKindName(RunKind::Bridges)))
{}

void WindowSearch::Sink::Found(RunKind run, std::size_t index, const DeviceRecord& record)
{
    (run == RunKind::Devices ? m_devices : m_bridges)(RecordChange::Found, index, record);
}

void WindowSearch::Sink::Changed(RunKind run, std::size_t index, const DeviceRecord& record)
{
    (run == RunKind::Devices ? m_devices : m_bridges)(RecordChange::Changed, index, record);
}

void WindowSearch::Sink::Ended(RunKind run, RunResult result)
{
    m_route->Post(std::make_unique<DiscoveryResultEvent>(std::move(result), RunKindName(run)));
}

void WindowSearch::Sink::Failed(RunKind run, const std::string& cause)
{
    RunResult failed;
    failed.failed = true;
    failed.failure = cause;
    m_route->Post(std::make_unique<DiscoveryResultEvent>(std::move(failed), RunKindName(run)));
}

WindowSearch::WindowSearch(WindowSearchRuns runs, std::shared_ptr<MessageRoute> route,
                           std::shared_ptr<const AdapterSource> adapters, std::shared_ptr<RecordMailbox> mailbox)
    : m_sink(std::move(route), std::move(mailbox)), m_search(RequestOf(std::move(runs), std::move(adapters)), m_sink)
{}

}  // namespace signseek
