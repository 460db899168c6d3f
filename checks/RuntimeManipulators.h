#pragma once

#include "checks/Manipulator.h"

#include <array>
#include <string>
#include <string_view>

namespace signseek {

inline constexpr wchar_t JAVA_DOWNLOAD_PAGE[] = L"https://www.java.com/download/";
inline constexpr wchar_t SILVERLIGHT_INSTALL_PAGE[] = L"https://www.microsoft.com/silverlight/";

// Reads one runtime's installed version; empty when none is found.
class VersionReader {
public:
    virtual ~VersionReader() = default;
    virtual std::wstring Read() const = 0;
    // False on a platform for which the runtime was never made: then there is
    // nothing to install and the check does not apply.
    virtual bool RuntimeExists() const { return true; }
};

inline constexpr wchar_t SILVERLIGHT_NOT_APPLICABLE[] =
    L"Silverlight is not available for this platform and is not needed here.";

// Opens a web address in the user's default browser; failures go unreported.
class UrlLauncher {
public:
    virtual ~UrlLauncher() = default;
    virtual void Open(const std::wstring& url) = 0;
};

// The first four tokens of a version cut at runs of '.' and '_', each read
// as a leading decimal integer (white space, sign, digits; 0 without digits;
// held to the int range). Missing parts are 0.
std::array<int, 4> VersionParts(std::wstring_view version);

// At least 1.6.0_14, comparing the parts from the left. Empty fails.
bool IsJavaCurrent(std::wstring_view version);

// Each part on its own at least 3, 0, 2710, 0. Empty fails.
bool IsSilverlightCurrent(std::wstring_view version);

class CJavaManipulator : public CManipulator {
public:
    // The default reads this machine's Java and opens pages with xdg-open.
    CJavaManipulator();
    CJavaManipulator(const VersionReader& reader, UrlLauncher& launcher) : m_pReader(&reader), m_pLauncher(&launcher) {}

    int Manipulate() override;
    std::wstring GetStatus(int* pnOk = nullptr) override;
    std::wstring GetTip() override { return JAVA_DOWNLOAD_PAGE; }

private:
    const VersionReader* m_pReader;  // the platform to ask, not a cached answer
    UrlLauncher* m_pLauncher;
};

class CSilverLightManipulator : public CManipulator {
public:
    // The default finds no Silverlight (there is none for Linux).
    CSilverLightManipulator();
    CSilverLightManipulator(const VersionReader& reader, UrlLauncher& launcher)
        : m_pReader(&reader), m_pLauncher(&launcher)
    {}

    // Where the runtime does not exist the status is SILVERLIGHT_NOT_APPLICABLE
    // with the flag CHECK_NOT_APPLICABLE, the tip says the same, and a click
    // opens nothing.
    int Manipulate() override;
    std::wstring GetStatus(int* pnOk = nullptr) override;
    std::wstring GetTip() override;

private:
    const VersionReader* m_pReader;
    UrlLauncher* m_pLauncher;
};

}  // namespace signseek
