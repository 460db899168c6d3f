#pragma once
// The command line of signseek-sim.

#include "sim/SimOptions.h"

#include <optional>
#include <string>
#include <vector>

namespace signseek::sim {

struct CommandLine {
    SimOptions sim;
    std::string scenarioFile;
    bool demo = false;
    int count = 0;
    std::optional<double> durationSeconds;  // else until SIGINT / SIGTERM
    std::string logFile;                    // else standard output
    bool help = false;
    bool version = false;
    std::string error;  // empty when the line was understood
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);

std::string Usage();

}  // namespace signseek::sim