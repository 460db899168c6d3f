#pragma once
// The process-wide namespace table: seven rows, written in this order on every
// envelope, with the single-letter prefixes the wire carries.

#include <stdsoap2.h>

#include <array>
#include <string>

namespace signseek::wire {

inline constexpr char kSoapEnvelope12[] = "http://www.w3.org/2003/05/soap-envelope";
inline constexpr char kSoapEnvelope11[] = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr char kSoapEncoding11[] = "http://schemas.xmlsoap.org/soap/encoding/";
inline constexpr char kSoapEncoding12[] = "http://www.w3.org/2003/05/soap-encoding";
inline constexpr char kXmlSchemaInstance[] = "http://www.w3.org/2001/XMLSchema-instance";
inline constexpr char kXmlSchema[] = "http://www.w3.org/2001/XMLSchema";
inline constexpr char kAddressing[] = "http://schemas.xmlsoap.org/ws/2004/08/addressing";
inline constexpr char kDiscovery[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery";

inline constexpr char kAnonymousUri[] = "http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous";
inline constexpr char kAddressingFaultAction[] = "http://schemas.xmlsoap.org/ws/2004/08/addressing/fault";
inline constexpr char kSoap11NextActor[] = "http://schemas.xmlsoap.org/soap/actor/next";
inline constexpr char kSoap12NextRole[] = "http://www.w3.org/2003/05/soap-envelope/role/next";
inline constexpr char kDiscoveryTo[] = "urn:schemas-xmlsoap-org:ws:2005:04:discovery";

inline constexpr char kProbeAction[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe";
inline constexpr char kResolveAction[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery/Resolve";
inline constexpr char kProbeMatchesAction[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches";
inline constexpr char kResolveMatchesAction[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery/ResolveMatches";
inline constexpr char kHelloAction[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery/Hello";
inline constexpr char kByeAction[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery/Bye";
inline constexpr char kRfc2396MatchBy[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery/rfc2396";

// Row 7: the vendor's contract namespace.
std::string VendorContractNamespace();

inline constexpr int kNamespaceRows = 7;
enum NamespaceRow { kRowEnvelope, kRowEncoding, kRowInstance, kRowSchema, kRowAddressing, kRowDiscovery, kRowVendor };

// Output prefixes, row by row ("b" .. "v").
extern const std::array<const char*, kNamespaceRows> kOutputPrefixes;

// The runtime's table (toolkit identifiers, output URIs, input patterns),
// terminated by an all-null row. Installed in every context we create.
const Namespace* NamespaceTable();

// Installs the table in a context (replacing whatever it had).
void InstallNamespaceTable(soap* ctx);

}  // namespace signseek::wire