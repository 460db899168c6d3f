#pragma once

// Compiled-in vendor identity. Every vendor namespace, scope and contract URI
// is VENDOR_URI_ROOT followed by a path, so the root ends in "/".
inline constexpr char VENDOR_URI_ROOT[] = "http://schemas.marvane.com/";
inline constexpr char VENDOR_HOME_URI[] = "http://www.marvane.com";

// TCP port of the HTTP reply listener (and of the firewall exception).
inline constexpr unsigned short REPLY_PORT = 8000;
