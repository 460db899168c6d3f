# shellcheck shell=bash
# Sourced: three network namespaces of the caller's own, the finder on
# 10.10.0.0/24 (f0, 10.10.0.2), a router that forwards unicast but no
# multicast, and the devices on 10.20.0.0/24 (d0, 10.20.0.2). The caller runs
# as root in a mount namespace of its own, so the namespaces' names under
# /run/netns vanish with it; it calls routed_net_up, and routed_net_down on
# its way out. Sets fin, rtr and dev to the namespaces' names.

routed_net_up() {
  mount -t tmpfs tmpfs /run 2>/dev/null || true
  mkdir -p /run/netns
  local suffix=$$ ns
  fin=finder$suffix rtr=router$suffix dev=devices$suffix
  for ns in "$fin" "$rtr" "$dev"; do ip netns add "$ns"; ip -n "$ns" link set lo up; done
  ip link add f0 netns "$fin" type veth peer name r0 netns "$rtr"
  ip link add d0 netns "$dev" type veth peer name r1 netns "$rtr"
  ip -n "$fin" addr add 10.10.0.2/24 dev f0
  ip -n "$rtr" addr add 10.10.0.1/24 dev r0
  ip -n "$rtr" addr add 10.20.0.1/24 dev r1
  ip -n "$dev" addr add 10.20.0.2/24 dev d0
  ip -n "$fin" link set f0 up
  ip -n "$rtr" link set r0 up
  ip -n "$rtr" link set r1 up
  ip -n "$dev" link set d0 up
  ip -n "$fin" route add default via 10.10.0.1
  ip -n "$dev" route add default via 10.20.0.1
  ip netns exec "$rtr" sysctl -qw net.ipv4.ip_forward=1
}

routed_net_down() {
  local ns
  for ns in "${fin:-}" "${rtr:-}" "${dev:-}"; do
    [ -n "$ns" ] && ip netns del "$ns" 2>/dev/null
  done
  return 0
}
