#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace signseek {

// One discovered device: its fields as the wire layer decoded them (8-bit
// Latin-1), its metadata items as the literal XML text the device sent.
// A plain value: the display list and the result array keep their own copies.
struct DeviceRecord {
    std::string address;  // EndpointReference Address; identifies repeats
    std::string types;    // space-separated QNames
    std::string matchBy;  // kept, not interpreted
    std::string scopes;   // space-separated scope URIs
    std::string xAddrs;   // space-separated transport addresses
    std::uint32_t metadataVersion = 0;
    std::vector<std::string> metadata;  // XML fragments, message order, then synthesised items
    std::string sourceAddress;          // dotted IPv4 of a ProbeMatches sender; empty for a Hello
    std::string adapter;                // dotted IPv4 of the local adapter the answer came in through
    std::string via = "multicast";      // "directed" when a probe sent to its address found it

    // Value of key in the first metadata item that yields one, else empty:
    // the literal text of the item, references and bytes as received.
    std::string GetMetadataValue(const std::string& key) const;

    int GetHeight() const;
    int GetWidth() const;
    // The texts a person reads, as UTF-8: references decoded, the device's
    // UTF-8 kept, any other byte read as its Latin-1 character.
    std::string GetDescription() const;
    std::string GetMac() const;
    std::string GetDhcpName() const;
    std::string GetDiscoveryVersion() const;

    // Device kinds, read from substrings of scopes.
    bool IsVideoProcessor() const;
    bool IsMediaPlayer() const;
    bool IsBridge() const;
    bool IsPreviousGenerationController() const;
    bool HasHomeScope() const;

    bool operator==(const DeviceRecord&) const = default;
};

// Metadata keys read by the program.
inline constexpr char META_SERVICES[] = "Services";
inline constexpr char META_HELLO[] = "Hello";
inline constexpr char META_ROWS[] = "Rows";
inline constexpr char META_COLUMNS[] = "Columns";

// The item a Hello adds to its record.
inline constexpr char HELLO_ITEM[] = "<Hello>true</Hello>";

// "<Services>" + list + "</Services>"
std::string MakeServicesItem(const std::string& services);

}  // namespace signseek
