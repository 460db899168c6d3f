#pragma once
// The HTTP side of the device listener's exchanges.

#include <stdsoap2.h>

#include <string>
#include <string_view>

namespace signseek::wire {

inline constexpr char kServerHeader[] = "gSOAP/2.7";

// A complete response: status line, Server, Content-Type, Content-Length,
// Connection: close, empty line, body.
std::string HttpResponse(int status, std::string_view contentType, std::string_view body);

// Completes an exchange without an envelope: over HTTP the response with no
// body ("text/xml; charset=utf-8"); over UDP nothing is sent.
int SendEmptyResponse(soap* ctx, int status);

}  // namespace signseek::wire