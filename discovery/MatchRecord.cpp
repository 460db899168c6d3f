#include "discovery/MatchRecord.h"

namespace signseek {

namespace {

std::string Text(const char* text) { return text ? text : ""; }

// ProbeMatch and Hello carry the same items under the same names.
template <typename Decoded> DeviceRecord FillRecord(const Decoded& match)
{
    DeviceRecord record;
    // A reference without an Address text counts as the empty address.
    record.address = Text(match.wsa__EndpointReference.Address);
    record.metadataVersion = match.MetadataVersion;
    if (match.Scopes) {
        record.scopes = Text(match.Scopes->__item);
        record.matchBy = Text(match.Scopes->MatchBy);
    }
    record.types = Text(match.Types);
    record.xAddrs = Text(match.XAddrs);
    for (int i = 0; match.__any && i < match.__size; ++i) record.metadata.push_back(Text(match.__any[i]));
    return record;
}

}  // namespace

DeviceRecord RecordFromProbeMatch(const disc__ProbeMatchType& match, const std::string& sourceAddress)
{
    DeviceRecord record = FillRecord(match);
    record.sourceAddress = sourceAddress;
    return record;
}

DeviceRecord RecordFromHello(const disc__HelloType& hello)
{
    DeviceRecord record = FillRecord(hello);
    record.metadata.emplace_back(HELLO_ITEM);
    return record;
}

}  // namespace signseek
