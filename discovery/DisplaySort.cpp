#include "discovery/DisplaySort.h"

#include <string>

namespace {

std::string SortKey(const DeviceRecord& record, int column)
{
    std::string key;
    switch (column) {
    case COLUMN_NAME:
        key = record.GetDescription();
        break;
    case COLUMN_DHCP_NAME:
        key = record.GetDhcpName();
        break;
    case COLUMN_IP_ADDRESS: {
        // The transport address, not the shown IP text.
        key = record.xAddrs;
        const std::size_t at = key.find("http://");
        if (at != std::string::npos)
            key.erase(at, 7);
        break;
    }
    default:
        break;
    }
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

}  // namespace

int CompareAscending(const DeviceRecord& a, const DeviceRecord& b, int column)
{
    if (column != COLUMN_NAME && column != COLUMN_DHCP_NAME && column != COLUMN_IP_ADDRESS)
        return 0;
    // std::string compares as unsigned bytes, a prefix first.
    const int result = SortKey(a, column).compare(SortKey(b, column));
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

int CompareDescending(const DeviceRecord& a, const DeviceRecord& b, int column)
{
    return -CompareAscending(a, b, column);
}

bool SortState::Click(int c)
{
    if (c != column) {
        ascending = false;
        column = c;
    }
    ascending = !ascending;
    return ascending;
}
