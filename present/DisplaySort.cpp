#include "present/DisplaySort.h"

#include "common/TextHelpers.h"

namespace signseek {

SortTexts MakeSortTexts(const DeviceRecord& record, const DisplayRow& row)
{
    SortTexts texts;
    texts.name = row.name;
    texts.description = record.GetDescription();
    texts.dhcpName = record.GetDhcpName();
    texts.transport = record.xAddrs;
    const std::size_t at = texts.transport.find("http://");
    if (at != std::string::npos) texts.transport.erase(at, 7);
    return texts;
}

int RowOrder::Compare(const SortTexts& a, const SortTexts& b) const
{
    int result = 0;
    switch (column) {
    case -1: return CompareIgnoringAsciiCase(a.name, b.name);
    case COLUMN_NAME: result = CompareIgnoringAsciiCase(a.description, b.description); break;
    case COLUMN_DHCP_NAME: result = CompareIgnoringAsciiCase(a.dhcpName, b.dhcpName); break;
    case COLUMN_IP_ADDRESS: result = CompareIgnoringAsciiCase(a.transport, b.transport); break;
    default: return 0;
    }
    return ascending ? result : -result;
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

}  // namespace signseek
