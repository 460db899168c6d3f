#pragma once
// "Export list...": the device list written to a file as signseek-find's CSV
// or JSON format would print it.

#include "present/ResultPrinter.h"

#include <string>
#include <vector>

namespace signseek {

enum class ExportFormat { Csv, Json };

// The file dialog's filters, CSV first.
inline constexpr char kExportFilters[] = "CSV files (*.csv);;JSON files (*.json)";
inline constexpr char kExportJsonFilter[] = "JSON files (*.json)";

// JSON when the name ends in ".json" (any case), or has no such ending and
// the JSON filter was chosen; CSV otherwise.
ExportFormat ExportFormatFor(const std::string& path, const std::string& chosenFilter);

// The file to write: a name without an ending of its own (no dot after the
// first character of its last part) gets the chosen type's, ".json" or
// ".csv", as save dialogs add a default suffix; any other name stands.
std::string ExportPathFor(const std::string& path, const std::string& chosenFilter);

std::string ExportText(ExportFormat format, const std::vector<FoundDevice>& devices);

// Writes text to path in full, replacing the file. False when that failed,
// with why in one line.
bool WriteExportFile(const std::string& path, const std::string& text, std::string& why);

}  // namespace signseek
