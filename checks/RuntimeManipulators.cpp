#include "checks/RuntimeManipulators.h"
#include "checks/LinuxRuntimes.h"
#include "common/TextHelpers.h"

namespace signseek {

namespace {

const VersionReader& MachineJava()
{
    static const LinuxJavaVersionReader reader;
    return reader;
}

const VersionReader& MachineSilverlight()
{
    static const NoSilverlightRuntime reader;
    return reader;
}

UrlLauncher& DefaultBrowser()
{
    static XdgOpenLauncher launcher;
    return launcher;
}

bool IsSeparator(wchar_t c) { return c == L'.' || c == L'_'; }

int PartValue(std::wstring_view token)
{
    // Only ASCII white space, signs and digits matter to the reading; any
    // other character ends it like a letter does.
    std::string narrow;
    for (wchar_t c : token) narrow += c > 0 && c < 0x80 ? static_cast<char>(c) : 'x';
    return LeadingInteger(narrow);
}

void Store(int* pnOk, bool ok)
{
    if (pnOk) *pnOk = ok ? 1 : 0;
}

}  // namespace

std::array<int, 4> VersionParts(std::wstring_view version)
{
    std::array<int, 4> parts{};
    std::size_t at = 0;
    for (int& part : parts) {
        while (at < version.size() && IsSeparator(version[at])) ++at;
        if (at == version.size()) break;
        std::size_t end = at;
        while (end < version.size() && !IsSeparator(version[end])) ++end;
        part = PartValue(version.substr(at, end - at));
        at = end;
    }
    return parts;
}

bool IsJavaCurrent(std::wstring_view version)
{
    if (version.empty()) return false;
    return VersionParts(version) >= std::array<int, 4>{1, 6, 0, 14};
}

bool IsSilverlightCurrent(std::wstring_view version)
{
    if (version.empty()) return false;
    std::array<int, 4> p = VersionParts(version);
    return p[0] >= 3 && p[1] >= 0 && p[2] >= 2710 && p[3] >= 0;
}

CJavaManipulator::CJavaManipulator() : CJavaManipulator(MachineJava(), DefaultBrowser()) {}

int CJavaManipulator::Manipulate()
{
    m_pLauncher->Open(JAVA_DOWNLOAD_PAGE);
    return 0;
}

std::wstring CJavaManipulator::GetStatus(int* pnOk)
{
    // One read serves the test and the sentence, so they cannot disagree.
    std::wstring version = m_pReader->Read();
    bool current = IsJavaCurrent(version);
    Store(pnOk, current);
    if (current) return L"Java Version: " + version;
    if (!version.empty()) return L"Java " + version + L" Requires an Update, Please Click Here";
    return L"Java is not installed, Please Click Here";
}

CSilverLightManipulator::CSilverLightManipulator() : CSilverLightManipulator(MachineSilverlight(), DefaultBrowser()) {}

int CSilverLightManipulator::Manipulate()
{
    if (m_pReader->RuntimeExists()) m_pLauncher->Open(SILVERLIGHT_INSTALL_PAGE);
    return 0;
}

std::wstring CSilverLightManipulator::GetTip()
{
    return m_pReader->RuntimeExists() ? SILVERLIGHT_INSTALL_PAGE : SILVERLIGHT_NOT_APPLICABLE;
}

std::wstring CSilverLightManipulator::GetStatus(int* pnOk)
{
    if (!m_pReader->RuntimeExists()) {
        if (pnOk) *pnOk = CHECK_NOT_APPLICABLE;
        return SILVERLIGHT_NOT_APPLICABLE;
    }
    std::wstring version = m_pReader->Read();
    bool current = IsSilverlightCurrent(version);
    Store(pnOk, current);
    if (current) return L"Silverlight Version: " + version;
    if (!version.empty()) return L"Silverlight Requires an Update, Please Click Here";
    return L"Silverlight is not installed, Please Click Here";
}

}  // namespace signseek
