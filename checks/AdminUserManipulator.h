#pragma once

#include "checks/Manipulator.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace signseek {

// The security context of the calling thread, as far as the check needs it.
struct Credentials {
    unsigned effectiveUid = 0;
    // The capabilities a tool it starts holds when it runs as root: the
    // bounding set with the inheritable set (bit n = capability n).
    std::uint64_t childCapabilities = 0;
    unsigned realUid = 0;
};

// Where the check reads the security context from (the system, or a fake).
class CredentialSource {
public:
    virtual ~CredentialSource() = default;
    // Nothing when the context cannot be read.
    virtual std::optional<Credentials> Read() const = 0;
};

// The calling thread's context from /proc/thread-self/status.
class LinuxCredentialSource : public CredentialSource {
public:
    std::optional<Credentials> Read() const override;
};

// Parses the "Uid:", "CapInh:" and "CapBnd:" lines of a /proc status file;
// nothing when one is missing or malformed.
std::optional<Credentials> ParseProcStatus(std::string_view status);

// True when the context may change the machine's firewall with its tools:
// root (real and effective user id 0, as ufw demands) whose tools get
// CAP_NET_ADMIN. CAP_NET_ADMIN without root does not count (ufw refuses),
// nor does root whose capabilities were taken away, nor membership of an
// administrators' group alone (sudo without running sudo). False when the
// context cannot be read.
bool IsAdminUser(const CredentialSource& source);

// The application's standard message box (the window toolkit provides it).
class MessageBoxSink {
public:
    virtual ~MessageBoxSink() = default;
    // Modal; an OK button only and the exclamation (warning) icon, captioned
    // with the application's title.
    virtual void ShowWarning(const std::wstring& text) = 0;
};

// Without a window toolkit the message goes to standard error.
class StandardErrorMessageBox : public MessageBoxSink {
public:
    void ShowWarning(const std::wstring& text) override;
};

inline constexpr wchar_t ADMIN_STATUS_YES[] = L"The Current User Is An Administrative User On This Computer.";
inline constexpr wchar_t ADMIN_STATUS_NO[] = L"The Current User Is Not An Administrative User On This Computer.";
inline constexpr wchar_t ADMIN_PLEASE_LOG_IN[] = L"Please have a system administrator log in to resolve any issues.";
// Follows ADMIN_PLEASE_LOG_IN on a line of its own: how to get the rights
// as Linux users do.
inline constexpr wchar_t ADMIN_RUN_WITH_RIGHTS[] =
    L"Or start Signseek with administrator rights: sudo signseek, or pkexec env DISPLAY=\"$DISPLAY\" "
    L"XAUTHORITY=\"$XAUTHORITY\" signseek";

class CAdminUserManipulator : public CManipulator {
public:
    // The defaults read this process and write to standard error.
    CAdminUserManipulator();
    CAdminUserManipulator(const CredentialSource& credentials, MessageBoxSink& messageBox);

    int Manipulate() override;
    std::wstring GetStatus(int* pnOk = nullptr) override;

private:
    // The platform to ask, not a cached answer.
    const CredentialSource* m_pCredentials;
    MessageBoxSink* m_pMessageBox;
};

}  // namespace signseek
