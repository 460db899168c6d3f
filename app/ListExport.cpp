#include "app/ListExport.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace signseek {

namespace {

bool EndsWithNoCase(const std::string& text, const std::string& ending)
{
    if (text.size() < ending.size()) return false;
    return std::equal(
        ending.begin(), ending.end(), text.end() - static_cast<std::ptrdiff_t>(ending.size()), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        });
}

}  // namespace

ExportFormat ExportFormatFor(const std::string& path, const std::string& chosenFilter)
{
    if (EndsWithNoCase(path, ".json")) return ExportFormat::Json;
    if (EndsWithNoCase(path, ".csv")) return ExportFormat::Csv;
    return chosenFilter == kExportJsonFilter ? ExportFormat::Json : ExportFormat::Csv;
}

std::string ExportPathFor(const std::string& path, const std::string& chosenFilter)
{
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // A leading dot names a hidden file, not an ending.
    if (name.empty() || name.find('.', 1) != std::string::npos) return path;
    return path + (chosenFilter == kExportJsonFilter ? ".json" : ".csv");
}

std::string ExportText(ExportFormat format, const std::vector<FoundDevice>& devices)
{
    return format == ExportFormat::Json ? FormatJson(devices) : FormatCsv(devices);
}

bool WriteExportFile(const std::string& path, const std::string& text, std::string& why)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        why = std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const int writeError = errno;
    // A full disk may only show when the buffer goes out at close.
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return true;
    why = std::strerror(written ? errno : writeError);
    return false;
}

}  // namespace signseek
