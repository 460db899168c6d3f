#include "wire/InputStart.h"

#include "wire/WireState.h"

#include <cstdlib>
#include <ctime>

namespace signseek::wire {
namespace {

constexpr soap_mode kAttachments = SOAP_ENC_DIME | SOAP_ENC_MIME | SOAP_ENC_MTOM;

bool IsBlank(soap_wchar c) { return c + 1 > 0 && c <= 32; }

// The runtime's own start, which clears the tables; whether the message it
// starts can fill them decides how the next one starts.
int FullStart(soap* ctx)
{
    const int rc = soap_begin_recv(ctx);
    StateOf(ctx).runtimeTablesEmpty = !(ctx->mode & kAttachments);
    return rc;
}

// What the runtime frees at the start of a message, but for the two tables.
void FreeMessageScratch(soap* ctx)
{
    while (ctx->nlist) {
        struct soap_nlist* next = ctx->nlist->next;
        std::free(ctx->nlist);
        ctx->nlist = next;
    }
    while (ctx->blist) soap_end_block(ctx, nullptr);
    while (ctx->attributes) {
        struct soap_attribute* next = ctx->attributes->next;
        std::free(ctx->attributes->value);
        std::free(ctx->attributes);
        ctx->attributes = next;
    }
    std::free(ctx->labbuf);
    ctx->labbuf = nullptr;
    ctx->lablen = 0;
    ctx->labidx = 0;
    if (Namespace* ns = ctx->local_namespaces) {
        for (; ns->id; ++ns) {
            std::free(ns->out);
            ns->out = nullptr;
        }
        std::free(ctx->local_namespaces);
        ctx->local_namespaces = nullptr;
    }
    while (ctx->xlist) {
        struct soap_xlist* next = ctx->xlist->next;
        std::free(ctx->xlist);
        ctx->xlist = next;
    }
}

void ResetInput(soap* ctx)
{
    ctx->error = SOAP_OK;
    ctx->recverror = SOAP_OK;
    FreeMessageScratch(ctx);
    soap_set_local_namespaces(ctx);
    ctx->version = 0;
    if ((ctx->imode & SOAP_IO) == SOAP_IO_CHUNK) {
        ctx->imode &= ~SOAP_IO;
        ctx->omode = (ctx->omode & ~SOAP_IO) | SOAP_IO_CHUNK;
    }
    ctx->imode &= ~(SOAP_ENC_DIME | SOAP_ENC_MIME | SOAP_ENC_ZLIB);
    ctx->mode = ctx->imode;
    if (!(ctx->mode & SOAP_IO_KEEPALIVE)) ctx->keep_alive = 0;
    if (!ctx->keep_alive) ctx->buflen = ctx->bufidx = 0;
    ctx->null = 0;
    ctx->position = 0;
    ctx->mustUnderstand = 0;
    ctx->shaky = 0;
    ctx->ahead = 0;
    ctx->peeked = 0;
    ctx->level = 0;
    ctx->part = SOAP_BEGIN_RECV;
    ctx->count = 0;
    ctx->length = 0;
    ctx->cdata = 0;
    ctx->header = nullptr;
    ctx->fault = nullptr;
    ctx->status = 0;
    ctx->body = 1;
    ctx->dom = nullptr;
    ctx->dime.count = 0;
    ctx->dime.chunksize = 0;
    ctx->dime.buflen = 0;
    ctx->dime.list = nullptr;
    ctx->dime.first = nullptr;
    ctx->dime.last = nullptr;
    ctx->mime.list = nullptr;
    ctx->mime.first = nullptr;
    ctx->mime.last = nullptr;
    ctx->mime.boundary = nullptr;
    ctx->mime.start = nullptr;
    ctx->start = static_cast<ULONG64>(std::time(nullptr));
}

// The runtime's start over the bytes already read: they stay in the buffer
// and are read again from its beginning.
int StartAgain(soap* ctx)
{
    const std::size_t read = ctx->buflen;
    const soap_mode imode = ctx->imode;
    ctx->bufidx = 0;
    ctx->keep_alive = 1;
    ctx->imode |= SOAP_IO_KEEPALIVE;
    const int rc = FullStart(ctx);
    ctx->imode = imode;
    ctx->mode &= ~SOAP_IO_KEEPALIVE;
    ctx->keep_alive = 0;
    if (!(ctx->mode & SOAP_ENC_DIME)) ctx->count += read;
    return rc;
}

}  // namespace

int StartInput(soap* ctx)
{
    const bool tablesEmpty = StateOf(ctx).runtimeTablesEmpty && !ctx->pblk;
    if (!(ctx->imode & SOAP_ENC_PLAIN) || !(ctx->imode & SOAP_XML_TREE) || (ctx->imode & SOAP_XML_GRAPH) ||
        !tablesEmpty || ctx->fprepareinitrecv || ctx->fform)
        return FullStart(ctx);
    ResetInput(ctx);
    soap_wchar c = soap_getchar(ctx);
    while (IsBlank(c)) c = soap_getchar(ctx);
    if (static_cast<int>(c) == EOF) return ctx->error = ctx->error ? ctx->error : SOAP_EOF;
    if (c != '<') return StartAgain(ctx);
    soap_unget(ctx, c);
    return SOAP_OK;
}

}  // namespace signseek::wire
