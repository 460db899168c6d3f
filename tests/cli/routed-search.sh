#!/usr/bin/env bash
# A directed search across a router: three network namespaces of this test's
# own (finder 10.10.0.0/24, a router that forwards unicast but no multicast,
# devices 10.20.0.0/24 with the demo simulator), in a mount namespace of its
# own so that the namespaces and the /etc/hosts it writes vanish with it.
# Usage: routed-search.sh BUILD_DIR. Exits 77 (skipped) when not root.
set -euo pipefail
build=$1
if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: ip netns and veth pairs need root"
  exit 77
fi
if [ "${ROUTED_SEARCH_PRIVATE:-}" != 1 ]; then
  exec unshare -m --propagation private env ROUTED_SEARCH_PRIVATE=1 "$0" "$@"
fi
find=$build/cli/signseek-find
sim=$build/sim/signseek-sim
work=$(mktemp -d)
# shellcheck source=scripts/routed-net.sh
. "$(dirname "$0")/../../scripts/routed-net.sh"
cleanup() {
  [ -n "${simpid:-}" ] && kill "$simpid" 2>/dev/null && wait "$simpid" 2>/dev/null
  routed_net_down
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
calc() { awk "BEGIN { print $1 }"; }
holds() { awk "BEGIN { exit !($1) }"; }

routed_net_up

ip netns exec "$dev" "$sim" --demo --interface 10.20.0.2 --max-delay 100 --log "$work/sim.log" &
simpid=$!
sleep 0.5

# The host name a technician would use, known only to this mount namespace.
cp /etc/hosts "$work/hosts"
echo "10.20.0.2 signage-player.test" >>"$work/hosts"
mount --bind "$work/hosts" /etc/hosts

run() { ip netns exec "$fin" timeout 60 "$find" -t 2 --receive-timeout 1 "$@"; }
count() { jq '.devices | length' "$1"; }

# Multicast does not cross the router.
run --interface 10.10.0.2 -f json >"$work/multicast.json" || fail "multicast search failed"
[ "$(count "$work/multicast.json")" = 0 ] || fail "multicast search found devices across the router"

# The whole devices' subnet: every demo device and bridge, through both runs,
# each found by the directed probes and answered from the devices' network.
start=$(date +%s.%N)
run 10.20.0.0/24 -f json >"$work/subnet.json" || fail "directed search of the subnet failed"
end=$(date +%s.%N)
jq -e '[.devices[] | select(.run == "devices")] | length >= 3' "$work/subnet.json" >/dev/null ||
  fail "device run found too little: $(cat "$work/subnet.json")"
jq -e '[.devices[] | select(.run == "bridges")] | length >= 1' "$work/subnet.json" >/dev/null ||
  fail "bridge run found no bridge"
jq -e 'all(.devices[]; .via == "directed" and .sourceAddress == "10.20.0.2")' "$work/subnet.json" >/dev/null ||
  fail "a record not found by a directed probe from 10.20.0.2"
echo "subnet sweep at the default rate: $(calc "$end - $start") s"

# Pacing: the device run sends two probes to each of the 256 targets at 400
# a second (1.28 s), then listens the 2 s time-out.
start=$(date +%s.%N)
run 10.20.0.0/24 --rate 400 -v -f json >"$work/paced.json" 2>"$work/paced.err" || fail "paced search failed"
end=$(date +%s.%N)
[ "$(grep -c "^signseek-find: no answer from " "$work/paced.err")" = 255 ] ||
  fail "-v did not list the 255 silent targets"
[ "$(grep -c '^signseek-find: \[devices\] probe .* to 10\.20\.0\.[0-9]*:3702.*: sent' "$work/paced.err")" -ge 500 ] ||
  fail "the device run did not probe every target twice"
rate=$(calc "512 / ($end - $start - 2)")
echo "device-run probes a second, measured: $rate (asked 400)"
holds "$rate > 200 && $rate < 800" || fail "pacing far from 400 a second: $rate"

# One address: ends soon after the device answered, not at the time-out.
start=$(date +%s.%N)
run --target 10.20.0.2 -f json -t 8 >"$work/one.json" || fail "single-address search failed"
took=$(calc "$(date +%s.%N) - $start")
echo "single address answered in: $took s"
holds "$took < 4" || fail "single-address search took $took s (time-out 8 s)"
[ "$(count "$work/one.json")" -ge 1 ] || fail "single address found nothing"

# A silent single address: exit status 3.
set +e
run 10.20.0.99 -f json -t 1 >/dev/null
status=$?
set -e
[ "$status" = 3 ] || fail "silent single address exited $status, not 3"

# A target file and a host name from /etc/hosts.
printf '# the signage VLAN\n10.20.0.2   # player\n\nsignage-player.test\n' >"$work/targets"
run --targets-from "$work/targets" -f csv >"$work/file.csv" || fail "target file search failed"
head -1 "$work/file.csv" | grep -q ',Via' || fail "CSV has no Via column"
grep -q ',directed' "$work/file.csv" || fail "target file search found nothing"

# The cap.
set +e
err=$(run 10.0.0.0/15 2>&1 >/dev/null)
status=$?
set -e
[ "$status" = 2 ] || fail "a /15 exited $status, not 2"
echo "$err" | grep -q "more than 65536 targets" || fail "no cap message: $err"
echo "routed search: all passed"
