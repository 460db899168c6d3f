#include "wire/PrefixScopes.h"

namespace signseek::wire {
namespace {

// Stacks beyond this many entries are not kept for the next message.
constexpr std::size_t kKeptDepth = 1024;

}  // namespace

void PrefixScopes::Reset()
{
    m_finding = Finding::AllDeclared;
    if (m_declared.capacity() > kKeptDepth || m_scopes.capacity() > kKeptDepth || m_used.capacity() > kKeptDepth) {
        m_declared = {};
        m_scopes = {};
        m_used = {};
    }
    m_declared.clear();
    m_scopes.clear();
    m_used.clear();
    m_tagScope = 0;
    m_lastFound = 0;
}

void PrefixScopes::EndOfInstruction(std::size_t at)
{
    // The check reads on to "?>".
    if (at == 0 || (*m_xml)[at - 1] != '?') m_finding = Finding::Unknown;
}

}  // namespace signseek::wire
