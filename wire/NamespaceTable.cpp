#include "wire/NamespaceTable.h"

#include "common/VendorConstants.h"

namespace signseek::wire {

const std::array<const char*, kNamespaceRows> kOutputPrefixes = {"b", "c", "e", "f", "g", "h", "v"};

std::string VendorContractNamespace() { return std::string(VENDOR_URI_ROOT) + "contracts/Quorvel_3_0"; }

namespace {
const std::string gVendorNamespace = VendorContractNamespace();
}  // namespace

}  // namespace signseek::wire
// The runtime installs this table (by its well-known name) in every context it
// initialises; input patterns use "*" for any run of characters, without case.
Namespace namespaces[] = {
    {"SOAP-ENV", signseek::wire::kSoapEnvelope12, nullptr, nullptr},
    {"SOAP-ENC", signseek::wire::kSoapEncoding11, "http://www.w3.org/*/soap-encoding", nullptr},
    {"xsi", signseek::wire::kXmlSchemaInstance, "http://www.w3.org/*/XMLSchema-instance", nullptr},
    {"xsd", signseek::wire::kXmlSchema, "http://www.w3.org/*/XMLSchema", nullptr},
    {"wsa", signseek::wire::kAddressing, nullptr, nullptr},
    {"disc", signseek::wire::kDiscovery, nullptr, nullptr},
    {"v", signseek::wire::gVendorNamespace.c_str(), nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr},
};

namespace signseek::wire {

const Namespace* NamespaceTable() { return namespaces; }

void InstallNamespaceTable(soap* ctx) { soap_set_namespaces(ctx, NamespaceTable()); }

}  // namespace signseek::wire