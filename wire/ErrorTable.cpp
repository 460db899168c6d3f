#include "wire/ErrorTable.h"

#include "wire/WireState.h"

#include <cstdio>
#include <cstring>
#include <netdb.h>

namespace signseek::wire {
namespace {

std::string Format(const char* format, const std::string& a)
{
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, format, a.c_str());
    return buffer;
}

std::string Validation(const soap* ctx, const std::string& what, const std::string& value)
{
    if (*ctx->tag) return "Validation constraint violation: " + what + value + " in element <" + ctx->tag + ">";
    return "Validation constraint violation: " + what + value;
}

}  // namespace

int SystemErrorCode(const soap* ctx)
{
    switch (ctx->error) {
    case SOAP_FD_EXCEEDED: return kErrConnections;
    case SOAP_PATTERN: return SOAP_ERR;  // never produced: no patterns in our schema
    default: return ctx->error;
    }
}

const char* HttpReasonPhrase(int status)
{
    switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 201: return "Created";
    case 202: return "Accepted";
    case 203: return "Non-Authoritative Information";
    case 204: return "No Content";
    case 205: return "Reset Content";
    case 206: return "Partial Content";
    case 300: return "Multiple Choices";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 305: return "Use Proxy";
    case 307: return "Temporary Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 402: return "Payment Required";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 406: return "Not Acceptable";
    case 407: return "Proxy Authentication Required";
    case 408: return "Request Time-out";
    case 409: return "Conflict";
    case 410: return "Gone";
    case 411: return "Length Required";
    case 412: return "Precondition Failed";
    case 413: return "Request Entity Too Large";
    case 414: return "Request-URI Too Large";
    case 415: return "Unsupported Media Type";
    case 416: return "Requested range not satisfiable";
    case 417: return "Expectation Failed";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Time-out";
    case 505: return "HTTP Version not supported";
    default: return "";
    }
}

std::string SocketErrorText(const soap* ctx)
{
    const WireState& state = StateOf(const_cast<soap*>(ctx));
    if (state.lookupError) {
        switch (state.lookupError) {
        case EAI_NONAME: return "Host not found";
        case EAI_AGAIN: return "Try Again";
        case EAI_FAIL: return "No Recovery";
#ifdef EAI_NODATA
        case EAI_NODATA: return "No Data";
#endif
        default: return "TCP/UDP IP error " + std::to_string(state.lookupError);
        }
    }
    if (ctx->errnum) return std::strerror(ctx->errnum);
    char buffer[128];
    if (ctx->recv_timeout > 0 && ctx->send_timeout <= 0) {
        std::snprintf(buffer, sizeof buffer, "Operation interrupted or timed out after %ds receive delay",
                      ctx->recv_timeout);
        return buffer;
    }
    if (ctx->recv_timeout > 0 && ctx->send_timeout > 0) {
        std::snprintf(buffer, sizeof buffer, "Operation interrupted or timed out after %ds send or %ds receive delay",
                      ctx->send_timeout, ctx->recv_timeout);
        return buffer;
    }
    return "Operation interrupted or timed out";
}

int SetTransportError(soap* ctx, const char* stepText, int socketError, bool receiver)
{
    WireState& state = StateOf(ctx);
    ctx->errnum = socketError;
    state.failureReason = SocketErrorText(ctx);
    state.failureDetail = stepText;
    state.receiverFailure = receiver;
    return ctx->error = SOAP_TCP_ERROR;
}

FaultDescription DescribeError(soap* ctx)
{
    WireState& state = StateOf(ctx);
    const bool v11 = state.version == 1;
    const std::string sender = v11 ? "b:Client" : "b:Sender";
    const std::string receiver = v11 ? "b:Server" : "b:Receiver";
    FaultDescription f{sender, "", "", ""};
    const int code = SystemErrorCode(ctx);
    switch (code) {
    case SOAP_EOF: f.reason = "End of file or no input: " + SocketErrorText(ctx); break;
    case SOAP_CLI_FAULT: f.reason = "Client fault"; break;
    case SOAP_SVR_FAULT: f.reason = "Server fault"; break;
    case SOAP_TAG_MISMATCH: f.reason = Validation(ctx, "tag name or namespace mismatch", ""); break;
    case SOAP_TYPE: f.reason = Validation(ctx, "data type mismatch ", ctx->type); break;
    case SOAP_SYNTAX_ERROR: f.reason = "Well-formedness violation"; break;
    case SOAP_NO_TAG: f.reason = "No XML element tag"; break;
    case SOAP_IOB: f.reason = "Array index out of bounds"; break;
    case SOAP_MUSTUNDERSTAND:
        f.code = "b:MustUnderstand";
        f.reason = Format("The data in element '%s' must be understood but cannot be handled",
                          state.failedElement.empty() ? std::string(ctx->tag) : state.failedElement);
        break;
    case SOAP_NAMESPACE: f.reason = Validation(ctx, "namespace error", ""); break;
    case SOAP_USER_ERROR: f.reason = "User error"; break;
    case SOAP_FATAL_ERROR: f.reason = "Fatal error"; break;
    case SOAP_FAULT:
        f.reason = state.failureReason;
        f.detail = state.failureDetail;
        break;
    case SOAP_NO_METHOD:
        f.reason = Format("Method '%s' not implemented: method name or namespace not recognized", ctx->tag);
        break;
    case SOAP_NO_DATA: f.reason = "Data required for operation"; break;
    case SOAP_GET_METHOD: f.reason = "HTTP GET method not implemented"; break;
    case SOAP_PUT_METHOD: f.reason = "HTTP PUT method not implemented"; break;
    case kErrHttpHead: f.reason = "HTTP HEAD method not implemented"; break;
    case kErrHttpMethod: f.reason = "HTTP method not implemented"; break;
    case SOAP_EOM: f.reason = "Out of memory"; break;
    case SOAP_MOE: f.reason = "Memory overflow or memory corruption error"; break;
    case SOAP_HDR: f.reason = "Header line too long"; break;
    case SOAP_NULL: f.reason = Validation(ctx, "nil not allowed", ""); break;
    case SOAP_DUPLICATE_ID:
        f.code = "c:DuplicateID";
        f.reason = std::string("multiple definitions of id ") + ctx->id;
        break;
    case SOAP_MISSING_ID:
        f.code = "c:MissingID";
        f.reason = std::string("missing id for ref ") + ctx->id;
        break;
    case SOAP_HREF: f.reason = std::string("incompatible object type ref/id pair ") + ctx->id; break;
    case SOAP_UDP_ERROR: f.reason = "Message too large for UDP packet"; break;
    case SOAP_TCP_ERROR:
        f.reason = state.failureReason.empty() ? SocketErrorText(ctx) : state.failureReason;
        f.detail = state.failureDetail;
        if (state.receiverFailure) f.code = receiver;
        break;
    case SOAP_HTTP_ERROR: f.reason = "An HTTP processing error occurred"; break;
    case SOAP_SSL_ERROR: f.reason = "OpenSSL not installed: recompile with -DWITH_OPENSSL"; break;
    case SOAP_ZLIB_ERROR: f.reason = "Zlib/gzip not installed for (de)compression: recompile with -DWITH_GZIP"; break;
    case SOAP_DIME_ERROR: f.reason = "DIME format error"; break;
    case SOAP_DIME_HREF: f.reason = "DIME href to missing attachment"; break;
    case SOAP_DIME_MISMATCH: f.reason = "DIME version/transmission error"; break;
    case SOAP_DIME_END: f.reason = "End of DIME error"; break;
    case SOAP_MIME_ERROR: f.reason = "MIME format error"; break;
    case SOAP_MIME_HREF: f.reason = "MIME href to missing attachment"; break;
    case SOAP_MIME_END: f.reason = "End of MIME error"; break;
    case SOAP_VERSIONMISMATCH:
        f.code = "b:VersionMismatch";
        f.reason = "Invalid SOAP message or SOAP version mismatch";
        break;
    case SOAP_PLUGIN_ERROR: f.reason = "Plugin registry error"; break;
    case SOAP_DATAENCODINGUNKNOWN:
        f.code = "b:DataEncodingUnknown";
        f.reason = "Unsupported SOAP data encoding";
        break;
    case SOAP_REQUIRED: f.reason = Validation(ctx, "missing required attribute", ""); break;
    case SOAP_PROHIBITED: f.reason = Validation(ctx, "prohibited attribute present", ""); break;
    case SOAP_OCCURS: f.reason = Validation(ctx, "occurrence violation", ""); break;
    case SOAP_LENGTH: f.reason = Validation(ctx, "content range or length violation", ""); break;
    case kErrConnections: f.reason = "Maximum number of open connections was reached"; break;
    case kErrStop: f.reason = "Stopped: no response sent"; break;
    default:
        if (code >= 201 && code <= 599) {
            char buffer[128];
            std::snprintf(buffer, sizeof buffer, "HTTP Error: %d %s", code, HttpReasonPhrase(code));
            f.reason = buffer;
        } else {
            f.reason = "Error " + std::to_string(code);
        }
    }
    if (code == kErrHttpDelete) f.reason = "Error 17";
    return f;
}

}  // namespace signseek::wire