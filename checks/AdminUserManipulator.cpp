#include "checks/AdminUserManipulator.h"

namespace signseek {

namespace {

// Bit number of CAP_NET_ADMIN (linux/capability.h), the capability netfilter
// asks of whoever changes its rules.
constexpr unsigned CAP_NET_ADMIN_BIT = 12;

const CredentialSource& SystemCredentials()
{
    static const LinuxCredentialSource source;
    return source;
}

MessageBoxSink& DefaultMessageBox()
{
    static StandardErrorMessageBox sink;
    return sink;
}

}  // namespace

bool IsAdminUser(const CredentialSource& source)
{
    std::optional<Credentials> credentials = source.Read();
    if (!credentials) return false;
    return credentials->effectiveUid == 0 && credentials->realUid == 0 &&
           (credentials->childCapabilities >> CAP_NET_ADMIN_BIT & 1u) != 0;
}

CAdminUserManipulator::CAdminUserManipulator() : CAdminUserManipulator(SystemCredentials(), DefaultMessageBox()) {}

CAdminUserManipulator::CAdminUserManipulator(const CredentialSource& credentials, MessageBoxSink& messageBox)
    : m_pCredentials(&credentials), m_pMessageBox(&messageBox)
{}

int CAdminUserManipulator::Manipulate()
{
    if (!IsAdminUser(*m_pCredentials))
        m_pMessageBox->ShowWarning(std::wstring(ADMIN_PLEASE_LOG_IN) + L"\n" + ADMIN_RUN_WITH_RIGHTS);
    return 0;
}

std::wstring CAdminUserManipulator::GetStatus(int* pnOk)
{
    bool admin = IsAdminUser(*m_pCredentials);
    if (pnOk) *pnOk = admin ? 1 : 0;
    return admin ? ADMIN_STATUS_YES : ADMIN_STATUS_NO;
}

}  // namespace signseek
