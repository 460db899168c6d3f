// signseek-sim: simulated display devices for tests, demos and load.

#include "common/Version.h"
#include "sim/CommandLine.h"
#include "sim/DemoSet.h"
#include "sim/LoadSet.h"
#include "sim/Scenario.h"
#include "sim/SearchReach.h"
#include "sim/Simulator.h"

#include <csignal>
#include <ctime>
#include <fstream>
#include <iostream>

using namespace signseek;

int main(int argc, char** argv)
{
    sim::CommandLine line = sim::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!line.error.empty()) {
        std::cerr << "signseek-sim: " << line.error << "\n(signseek-sim --help lists the options)\n";
        return 2;
    }
    if (line.help) {
        std::cout << sim::Usage();
        return 0;
    }
    if (line.version) {
        std::cout << "signseek-sim " << SIGNSEEK_VERSION << "\n";
        return 0;
    }

    std::vector<sim::Device> devices;
    if (line.demo) {
        devices = sim::DemoDevices();
    } else if (line.count) {
        devices = sim::LoadDevices(line.count);
    } else {
        sim::ScenarioResult scenario = sim::LoadScenarioFile(line.scenarioFile);
        if (!scenario.ok()) {
            std::cerr << "signseek-sim: " << scenario.error << "\n";
            return 2;
        }
        devices = std::move(scenario.devices);
    }

    for (const sim::Device& device : devices)
        if (std::string why = sim::WhyNoSearchFinds(device); !why.empty())
            std::cerr << "signseek-sim: warning: no search can find device \"" << device.address << "\": " << why
                      << "\n";

    std::ofstream logFile;
    if (!line.logFile.empty()) {
        logFile.open(line.logFile, std::ios::app);
        if (!logFile) {
            std::cerr << "signseek-sim: cannot write " << line.logFile << "\n";
            return 2;
        }
    }
    sim::SimLog log(line.logFile.empty() ? &std::cout : &logFile);

    // The signals are taken by sigtimedwait below, never by a handler, so
    // every thread started from here on has them blocked.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    const std::size_t deviceCount = devices.size();
    sim::Simulator simulator(std::move(devices), line.sim, log);
    if (std::string error = simulator.Start(); !error.empty()) {
        std::cerr << "signseek-sim: " << error << "\n";
        return 1;
    }
    log.Note("listening on " + std::string("239.255.255.250:") + std::to_string(line.sim.port) + " via " +
             line.sim.interfaceAddress + " with " + std::to_string(deviceCount) + " devices");

    timespec wait{};
    timespec* limit = nullptr;
    if (line.durationSeconds) {
        wait.tv_sec = static_cast<time_t>(*line.durationSeconds);
        limit = &wait;
    }
    for (;;) {
        int signal = limit ? sigtimedwait(&stopSignals, nullptr, limit) : sigwaitinfo(&stopSignals, nullptr);
        if (signal == SIGINT || signal == SIGTERM || (limit && signal < 0 && errno == EAGAIN)) break;
    }
    simulator.Stop();
    log.Note("stopped");
    return 0;
}
