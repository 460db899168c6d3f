#pragma once
// Command-line options of signseek-find.

#include <optional>
#include <string>
#include <vector>

enum class OutputFormat { Table, Json, Csv };

struct FindOptions {
    std::string interface;  // dotted address or adapter description; empty: first adapter
    int discoveryPort = 3702;
    int ttl = 2;
    int discoveryTimeout = 8;
    int receiveTimeout = 1;
    OutputFormat format = OutputFormat::Table;
    bool help = false;
    bool version = false;
};

struct ParsedOptions {
    std::optional<FindOptions> options;  // empty on error
    std::string error;                   // one line, without the program name
};

ParsedOptions ParseFindOptions(const std::vector<std::string> &arguments);

std::string FindUsage();
