#include "wire/ProbeBody.h"

#include "wire/NamespaceTable.h"

namespace signseek::wire {

void WriteProbeBody(XmlWriter& w, const disc__ProbeType& probe)
{
    w.QueueAttribute("xmlns", kDiscovery);
    w.StartElement("Probe", "h:ProbeType");
    if (probe.Types && *probe.Types) {
        // An empty default namespace keeps Types and the names in it unqualified.
        w.QueueAttribute("xmlns", "");
        w.TextElement("Types", probe.Types);
    }
    if (probe.Scopes) {
        if (probe.Scopes->MatchBy) w.QueueAttribute("MatchBy", probe.Scopes->MatchBy);
        w.TextElement("Scopes", probe.Scopes->__item ? probe.Scopes->__item : "", "h:ScopesType");
    }
    for (int i = 0; i < probe.__size; ++i)
        if (probe.__any[i]) w.Literal(probe.__any[i]);
    w.EndElement("Probe");
}

}  // namespace signseek::wire