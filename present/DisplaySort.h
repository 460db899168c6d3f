#pragma once
// The one place that orders the device list's rows: where a new or changed
// row goes, and how a click on a column header sorts them.

#include "discovery/DeviceRecord.h"
#include "present/DisplayRows.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace signseek {

// Columns of the device list.
enum DisplayColumn { COLUMN_NAME = 0, COLUMN_DIMENSIONS = 1, COLUMN_DHCP_NAME = 2, COLUMN_IP_ADDRESS = 3 };

// The texts a row sorts by, made once from its record and its row texts.
struct SortTexts {
    std::string name;         // the row's name text, "<none>" when it has none
    std::string description;  // the Name column's key: empty when there is no name
    std::string dhcpName;
    std::string transport;  // xAddrs without its first "http://", not the shown IP text
};

SortTexts MakeSortTexts(const DeviceRecord& record, const DisplayRow& row);

// How the rows stand. In arrival order (column -1, where a list starts and
// returns to when cleared) a row goes after every row whose name text is not
// greater. After a header sort, rows go where that sort puts them. Texts
// compare without ASCII case (bytes above 0x7f unsigned); Dimensions and
// unknown columns find every row equal. Equal rows keep their order.
struct RowOrder {
    int column = -1;
    bool ascending = true;

    // Negative, 0 or positive.
    int Compare(const SortTexts& a, const SortTexts& b) const;

    // The index at which a row with texts goes into rows already in this
    // order: after its equals, so equal rows stay in arrival order. A binary
    // search; textsOf(row) gives a row's texts.
    template <typename Row, typename TextsOf>
    std::size_t Place(const std::vector<Row>& rows, const SortTexts& texts, TextsOf textsOf) const
    {
        auto it = std::upper_bound(rows.begin(), rows.end(), texts,
                                   [&](const SortTexts& t, const Row& row) { return Compare(t, textsOf(row)) < 0; });
        return static_cast<std::size_t>(it - rows.begin());
    }

    // Whether the row at index stands in this order beside its neighbours.
    template <typename Row, typename TextsOf>
    bool InPlace(const std::vector<Row>& rows, std::size_t index, TextsOf textsOf) const
    {
        const SortTexts& texts = textsOf(rows[index]);
        return (index == 0 || Compare(textsOf(rows[index - 1]), texts) <= 0) &&
               (index + 1 == rows.size() || Compare(texts, textsOf(rows[index + 1])) <= 0);
    }

    // Reorders rows into this order, equal rows keeping theirs.
    template <typename Row, typename TextsOf> void Sort(std::vector<Row>& rows, TextsOf textsOf) const
    {
        std::stable_sort(rows.begin(), rows.end(),
                         [&](const Row& a, const Row& b) { return Compare(textsOf(a), textsOf(b)) < 0; });
    }
};

// Header-click state: the first click on a column sorts it ascending, each
// further click on it reverses; another column starts again ascending.
struct SortState {
    int column = -1;
    bool ascending = false;

    // Records a click on column c; returns whether to sort ascending.
    bool Click(int c);
};

}  // namespace signseek
