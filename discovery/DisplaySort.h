#pragma once

#include "discovery/DeviceRecord.h"

// Columns of the device list.
enum DisplayColumn { COLUMN_NAME = 0, COLUMN_DIMENSIONS = 1, COLUMN_DHCP_NAME = 2, COLUMN_IP_ADDRESS = 3 };

// Sort callbacks of the device list: negative, 0 or positive. Names, DHCP
// names and transport addresses compare case-insensitively (ASCII letters
// only); Dimensions and unknown columns compare every row as equal.
int CompareAscending(const DeviceRecord& a, const DeviceRecord& b, int column);
int CompareDescending(const DeviceRecord& a, const DeviceRecord& b, int column);

// Header-click state: the first click on a column sorts it ascending, each
// further click on it reverses; another column starts again ascending.
struct SortState {
    int column = -1;
    bool ascending = false;

    // Records a click on column c; returns whether to sort ascending.
    bool Click(int c);
};
