#include "wire/HttpExchange.h"

#include "wire/ErrorTable.h"
#include "wire/Transport.h"

namespace signseek::wire {

std::string HttpResponse(int status, std::string_view contentType, std::string_view body)
{
    std::string r = "HTTP/1.1 " + std::to_string(status) + ' ' + HttpReasonPhrase(status) + "\r\n";
    r += "Server: ";
    r += kServerHeader;
    r += "\r\nContent-Type: ";
    r += contentType;
    r += "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
    r += "Connection: close\r\n\r\n";
    r += body;
    return r;
}

int SendEmptyResponse(soap* ctx, int status)
{
    if (IsUdp(ctx)) return SOAP_OK;
    return SendBytes(ctx, HttpResponse(status, "text/xml; charset=utf-8", ""));
}

}  // namespace signseek::wire