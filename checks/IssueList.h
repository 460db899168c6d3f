#pragma once

#include "checks/Manipulator.h"

#include <cstddef>
#include <string>
#include <vector>

namespace signseek {

// The marks of the issue list, by image index; the neutral one marks a check
// that does not apply on this platform.
enum IssueImage { ISSUE_IMAGE_CROSS = 0, ISSUE_IMAGE_TICK = 1, ISSUE_IMAGE_NEUTRAL = 2 };

// Characters a row's tooltip holds, a terminating zero included; longer
// sentences are cut.
inline constexpr std::size_t ISSUE_TIP_CAPACITY = 1024;

// One row: the check's sentence, its mark and the check itself.
struct IssueRow {
    std::wstring text;
    int image = ISSUE_IMAGE_CROSS;
    CManipulator* check = nullptr;
};

// The issue list without its window: which rows it shows, in which order,
// with which marks, and what a click or a hover on a row does. The window
// mirrors Rows() after every FillIssueList.
class IssueListModel {
public:
    IssueListModel(CManipulator& admin, CManipulator& firewall, CManipulator& silverlight, CManipulator& java)
        : m_pAdmin(&admin), m_pFirewall(&firewall), m_pSilverlight(&silverlight), m_pJava(&java)
    {}

    // Rebuilds the rows: administrator, firewall, Silverlight, Java. Missing
    // administrator rights are marked as an issue only while another check
    // has one; a check that does not apply has none.
    void FillIssueList();

    // Appends the check's row and returns its pass flag (1 also for a check
    // that does not apply, whose row gets the neutral mark).
    int AddIssueRow(CManipulator& check);

    // A click on the row at index `row` (-1, or any index past the rows,
    // for the empty area): runs that row's fix, then refills the list
    // whether or not a fix ran. True when a fix ran.
    bool Click(int row);

    // The tip of a row cut to fit `capacity` characters with the
    // terminating zero; empty for no row.
    std::wstring Tip(int row, std::size_t capacity = ISSUE_TIP_CAPACITY) const;

    const std::vector<IssueRow>& Rows() const { return m_rows; }

private:
    CManipulator* m_pAdmin;
    CManipulator* m_pFirewall;
    CManipulator* m_pSilverlight;
    CManipulator* m_pJava;
    std::vector<IssueRow> m_rows;
};

// Text cut so that it and a terminating zero fit `capacity` characters.
std::wstring CutToCapacity(std::wstring text, std::size_t capacity);

}  // namespace signseek
