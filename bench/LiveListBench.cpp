// How soon the window shows a device a run reports: a stand-in run reports N
// devices through the window's record path, paced (one per millisecond) and
// as one flood, and the bench prints the time from each report to its row
// being in the device list's model, median, 99th percentile and worst. The
// window is shown on Qt's offscreen platform, so the list's views take their
// part of the work. Nothing is sent on any network.
//   signseek-live-list-bench [N]   (default 1000)

#include "app/MainDialog.h"
#include "common/VendorConstants.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

using namespace signseek;

namespace {

using Clock = std::chrono::steady_clock;

class OneAdapter : public signseek::AdapterSource {
public:
    std::optional<std::vector<signseek::AdapterRecord>> Enumerate() const override
    {
        return std::vector<signseek::AdapterRecord>{{"lo (Loopback)", {"127.0.0.1"}}};
    }
};

DeviceRecord Record(int index)
{
    DeviceRecord r;
    r.address = "urn:bench:" + std::to_string(index);
    r.scopes = std::string(VENDOR_URI_ROOT) + "2011/player/tovo";
    r.xAddrs = "http://10.0." + std::to_string(index / 256 % 256) + "." + std::to_string(index % 256) + "/";
    r.sourceAddress = "10.0.0.1";
    // Names in no particular order, so rows go all over the list.
    r.metadata.push_back("<Description>Device " + std::to_string((index * 7919) % 100003) + "</Description>");
    return r;
}

void Print(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const std::size_t n = ms.size();
    std::printf("%-34s n=%zu  median %.3f ms  p99 %.3f ms  worst %.3f ms\n", what, n, ms[n / 2],
                ms[std::min(n - 1, n * 99 / 100)], ms[n - 1]);
}

// One search whose device run reports n devices, pause apart; the times
// from each report to its row.
std::vector<double> Measure(int n, std::chrono::microseconds pause, const std::string& folder)
{
    std::vector<Clock::time_point> reported(static_cast<std::size_t>(n));
    std::vector<Clock::time_point> shown(static_cast<std::size_t>(n));
    std::vector<bool> seen(static_cast<std::size_t>(n), false);

    signseek::DialogServices s;
    s.adapters = std::make_shared<OneAdapter>();
    s.settingsFolder = folder;
    s.targetsFolder = folder + "/config";  // none: the user's own would add their sweep
    s.addressChanges = nullptr;
    s.messageBox = [](QWidget*, const QString&) {};
    s.discoverDevices = [&reported, n, pause](const DiscoveryRequest& request) {
        RunResult result;
        for (int i = 0; i < n; ++i) {
            result.records.push_back(Record(i));
            reported[static_cast<std::size_t>(i)] = Clock::now();
            request.onRecord(RecordChange::Found, static_cast<std::size_t>(i), result.records.back());
            if (pause.count() > 0) std::this_thread::sleep_for(pause);
        }
        return result;
    };
    s.discoverBridges = [](const DiscoveryRequest&) { return RunResult{}; };

    signseek::CVORIrurizezDlg dialog(s);
    dialog.show();
    QObject::connect(&dialog.m_DisplayList->Model(), &QAbstractItemModel::rowsInserted,
                     [&](const QModelIndex&, int first, int last) {
                         const Clock::time_point now = Clock::now();
                         for (int row = first; row <= last; ++row) {
                             const DeviceRecord* record = dialog.m_DisplayList->RecordAt(row);
                             const std::size_t i = std::stoul(record->address.substr(10));
                             if (i < seen.size() && !seen[i]) {
                                 seen[i] = true;
                                 shown[i] = now;
                             }
                         }
                     });
    dialog.m_FindButton->click();
    // The window's own kind of loop, which sleeps until an event comes.
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (!dialog.m_Search.Searching()) loop.quit();
    });
    check.start(50);
    loop.exec();
    std::vector<double> ms;
    for (std::size_t i = 0; i < reported.size(); ++i)
        if (seen[i]) ms.push_back(std::chrono::duration<double, std::milli>(shown[i] - reported[i]).count());
    if (ms.size() != reported.size()) std::printf("only %zu of %d devices were shown\n", ms.size(), n);
    return ms;
}

}  // namespace

int main(int argc, char** argv)
{
    const int n = argc > 1 ? std::atoi(argv[1]) : 1000;
    if (n <= 0) return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "signseek-live-list-bench";
    std::filesystem::create_directories(folder / "Marvane" / "Discovery");
    Print("paced, one report per ms:", Measure(n, std::chrono::microseconds(1000), folder.string()));
    Print("flood, all reports at once:", Measure(n, std::chrono::microseconds(0), folder.string()));
    std::filesystem::remove_all(folder);
    return 0;
}
