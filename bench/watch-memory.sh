#!/usr/bin/env bash
# Prints the memory of a long watch: signseek-find --watch against simulated
# devices that keep coming and going (Hello as they come, Bye as they go,
# silence for some), sampled at the start and at the end. Run it inside a
# private network namespace (scripts/in-private-net.sh); it takes SECONDS
# (default 180).
#   bench/watch-memory.sh BUILD_DIR [SECONDS] [DEVICES]
set -euo pipefail
build=${1:?build directory}
seconds=${2:-180}
devices=${3:-500}
work=$(mktemp -d)
trap 'kill "${find_pid:-}" "${sim_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

# Devices with staggered schedules: each is there for a few seconds, away for
# a few, and back, for ever; every fourth comes and goes without a word.
python3 - "$devices" >"$work/scenario.json" <<'PY'
import json, sys
n = int(sys.argv[1])
devices = []
for i in range(n):
    devices.append({
        "address": "urn:uuid:00000000-0000-4000-8000-%012d" % i,
        "types": "x8",
        "scopes": "http://schemas.marvane.com/scopes/marvane/Ferro/X8",
        "xAddrs": "http://10.%d.%d.%d:8080/ferro" % (i // 65536 % 256, i // 256 % 256, i % 256),
        "extensions": {"Description": "Wall %d" % i, "Height": 1080, "Width": 1920},
        "schedule": {"afterMs": (i * 37) % 5000, "stayMs": 3000 + (i * 53) % 4000, "awayMs": 2000 + (i * 29) % 5000},
    })
print(json.dumps({"devices": devices}))
PY

"$build/sim/signseek-sim" --scenario "$work/scenario.json" --max-delay 200 --log /dev/null &
sim_pid=$!
sleep 1
"$build/cli/signseek-find" -i 127.0.0.1 -t 1 --watch --interval 2 >"$work/events" 2>"$work/errors" &
find_pid=$!

rss() { awk '/^VmRSS/ {print $2}' "/proc/$find_pid/status"; }
sleep 10
start_kb=$(rss)
sleep $((seconds > 10 ? seconds - 10 : 1))
end_kb=$(rss)
hwm_kb=$(awk '/^VmHWM/ {print $2}' "/proc/$find_pid/status")
kill -INT "$find_pid"
wait "$find_pid" || true
find_pid=

count() { grep -c "\"event\":\"$1\"" "$work/events" || true; }
printf 'watch, %d devices coming and going, %d s: found %s, changed %s, lost %s events\n' \
  "$devices" "$seconds" "$(count found)" "$(count changed)" "$(count lost)"
awk -v s="$start_kb" -v e="$end_kb" -v p="$hwm_kb" \
  'BEGIN { printf "finder memory: %.1f MB after 10 s, %.1f MB at the end (peak %.1f MB)\n", s/1024, e/1024, p/1024 }'
