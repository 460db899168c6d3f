#include "wire/WireState.h"

#include <cstring>

namespace signseek::wire {
namespace {

const char kStatePluginId[] = "SIGNSEEK-WIRE-STATE";

int CopyState(soap*, soap_plugin* dst, soap_plugin* src)
{
    auto* copy = new WireState(*static_cast<WireState*>(src->data));
    copy->runtimeTablesEmpty = false;  // the copy's tables are its own
    dst->data = copy;
    return SOAP_OK;
}

void DeleteState(soap*, soap_plugin* p) { delete static_cast<WireState*>(p->data); }

int CreateState(soap*, soap_plugin* p, void*)
{
    p->id = kStatePluginId;
    p->data = new WireState;
    p->fcopy = CopyState;
    p->fdelete = DeleteState;
    return SOAP_OK;
}

}  // namespace

std::string WireState::OutputUri(int row) const
{
    if (overrides[row]) return *overrides[row];
    return NamespaceTable()[row].ns;
}

WireState& StateOf(soap* ctx)
{
    void* data = soap_lookup_plugin(ctx, kStatePluginId);
    if (!data) {
        soap_register_plugin_arg(ctx, CreateState, nullptr);
        data = soap_lookup_plugin(ctx, kStatePluginId);
    }
    return *static_cast<WireState*>(data);
}

void ForgetRuntimeBindings(soap* ctx)
{
    if (!ctx->local_namespaces) soap_set_local_namespaces(ctx);
    if (!ctx->local_namespaces) return;
    for (int row = 1; row < kNamespaceRows; ++row) {
        Namespace& live = ctx->local_namespaces[row];
        if (!live.id) break;
        if (live.out) {
            free(live.out);
            live.out = nullptr;
        }
    }
}

void KeepInputOverrides(soap* ctx)
{
    if (!ctx->local_namespaces) return;
    WireState& state = StateOf(ctx);
    const Namespace* table = NamespaceTable();
    // Row 1 accepts its own URI only, so it never carries an override.
    for (int row = 1; row < kNamespaceRows; ++row) {
        const Namespace& live = ctx->local_namespaces[row];
        if (!live.id) break;
        if (live.out && std::strcmp(live.out, table[row].ns) != 0) state.overrides[row] = live.out;
    }
}

void ClearOverridesDeclaredExactly(soap* ctx)
{
    WireState& state = StateOf(ctx);
    const Namespace* table = NamespaceTable();
    for (const struct soap_attribute* a = ctx->attributes; a; a = a->next) {
        if (!a->visible || !a->value || std::strncmp(a->name, "xmlns", 5) != 0) continue;
        if (a->name[5] != '\0' && a->name[5] != ':') continue;
        for (int row = 1; row < kNamespaceRows; ++row) {
            if (std::strcmp(a->value, table[row].ns) == 0) {
                state.overrides[row].reset();
                break;
            }
        }
    }
}

}  // namespace signseek::wire