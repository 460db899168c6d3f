#pragma once

namespace signseek {

// Compiled-in vendor identity. Every vendor namespace, scope and contract URI
// is VENDOR_URI_ROOT followed by a path, so the root ends in "/".
inline constexpr char VENDOR_URI_ROOT[] = "http://schemas.marvane.com/";
inline constexpr char VENDOR_HOME_URI[] = "http://www.marvane.com";

// TCP port of the HTTP reply listener (and of the firewall exception).
inline constexpr unsigned short REPLY_PORT = 8000;

// The probes of a search besides the root-scope probe (VENDOR_URI_ROOT, no
// types): the controller probe of the device run and the bridge run's probe.
// Their scopes are VENDOR_URI_ROOT followed by these paths.
inline constexpr char CONTROLLER_PROBE_TYPES[] = "x8";
inline constexpr char CONTROLLER_PROBE_SCOPE_PATH[] = "scopes/marvane/Ferro/X8";
inline constexpr char BRIDGE_PROBE_TYPES[] = "Halden";
inline constexpr char BRIDGE_PROBE_SCOPE_PATH[] = "scopes/marvane/Halden/Bridge";

}  // namespace signseek
