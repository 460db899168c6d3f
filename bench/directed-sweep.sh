#!/usr/bin/env bash
# Prints the time signseek-find takes to sweep a /24 across a router, at the
# default probe rate, with nobody on the far subnet and with the demo
# devices there: with the default time-outs (discovery 8 s, receive 1 s) and
# with a 1 s discovery time-out, where the sweep itself is most of it. The
# network is the routed one of scripts/routed-net.sh, inside namespaces of
# this script's own. Usage: bench/directed-sweep.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
if [ "$(id -u)" -ne 0 ]; then
  echo "directed sweep: skipped (ip netns and veth pairs need root)"
  exit 0
fi
if [ "${DIRECTED_SWEEP_PRIVATE:-}" != 1 ]; then
  exec unshare -m --propagation private env DIRECTED_SWEEP_PRIVATE=1 "$0" "$@"
fi
find=$build/cli/signseek-find
sim=$build/sim/signseek-sim
work=$(mktemp -d)
# shellcheck source=scripts/routed-net.sh
. scripts/routed-net.sh
cleanup() {
  [ -n "${simpid:-}" ] && kill "$simpid" 2>/dev/null && wait "$simpid" 2>/dev/null
  routed_net_down
  rm -rf "$work"
}
trap cleanup EXIT
routed_net_up

# One sweep: its wall time and the devices it listed.
sweep() {
  local start end
  start=$(date +%s.%N)
  ip netns exec "$fin" timeout 120 "$find" --no-config "$@" -f json 10.20.0.0/24 >"$work/out.json"
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" -v n="$(jq '.devices | length' "$work/out.json")" \
    'BEGIN { printf "%.2f s, %d devices listed", e - s, n }'
}

for side in none demo; do
  if [ "$side" = demo ]; then
    ip netns exec "$dev" "$sim" --demo --interface 10.20.0.2 >"$work/sim.log" 2>&1 &
    simpid=$!
    sleep 0.5
    label="the demo devices"
  else
    label="no devices"
  fi
  echo "directed sweep of a /24 at 200 probes/s, $label: default time-outs $(sweep); discovery time-out 1 s $(sweep -t 1)"
done
