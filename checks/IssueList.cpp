#include "checks/IssueList.h"

namespace signseek {

void IssueListModel::FillIssueList()
{
    m_rows.clear();
    int okAdmin = AddIssueRow(*m_pAdmin);
    int okFirewall = AddIssueRow(*m_pFirewall);
    int okSilverlight = AddIssueRow(*m_pSilverlight);
    int okJava = AddIssueRow(*m_pJava);
    if (okJava == 1 && okFirewall == 1 && okSilverlight == 1 && okAdmin == 0)
        m_rows[0].image = ISSUE_IMAGE_TICK;  // the sentence stays as it is
}

int IssueListModel::AddIssueRow(CManipulator& check)
{
    int ok = 0;
    std::wstring text = check.GetStatus(&ok);
    if (ok == CHECK_NOT_APPLICABLE) {
        m_rows.push_back({std::move(text), ISSUE_IMAGE_NEUTRAL, &check});
        return 1;
    }
    m_rows.push_back({std::move(text), ok == 1 ? ISSUE_IMAGE_TICK : ISSUE_IMAGE_CROSS, &check});
    return ok;
}

bool IssueListModel::Click(int row)
{
    // Only the row under the pointer: a row chosen earlier (by keyboard, say)
    // is not fixed by a click on the empty area.
    bool fixed = row >= 0 && static_cast<std::size_t>(row) < m_rows.size();
    if (fixed) m_rows[static_cast<std::size_t>(row)].check->Manipulate();
    FillIssueList();
    return fixed;
}

std::wstring IssueListModel::Tip(int row, std::size_t capacity) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size()) return {};
    return CutToCapacity(m_rows[static_cast<std::size_t>(row)].check->GetTip(), capacity);
}

std::wstring CutToCapacity(std::wstring text, std::size_t capacity)
{
    if (capacity == 0) return {};
    if (text.size() > capacity - 1) text.resize(capacity - 1);
    return text;
}

}  // namespace signseek
