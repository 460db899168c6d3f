#!/usr/bin/env bash
# Prints what a burst of large answers costs signseek-find: 4000 bridges
# answer by datagram, each with a 12 KiB description, so the run reaches its
# 32 MiB text cap. For each output format: devices listed, when the search
# ended and the list was out, and the finder's peak memory; then the same
# with the machine loaded by two busy loops per core. The run's bound is
# 2 x 2 s + 1 s = 5 s. Run it inside a private network namespace
# (scripts/in-private-net.sh).
#   bench/text-cap-memory.sh BUILD_DIR [ANSWERS]
set -euo pipefail
build=${1:?build directory}
answers=${2:-4000}
work=$(mktemp -d)
trap 'kill "${sim_pid:-}" ${load_pids:-} 2>/dev/null || true; rm -rf "$work"' EXIT

python3 - "$answers" >"$work/scenario.json" <<'PY'
import json, sys
devices = [{
    "address": "urn:uuid:5e1f000b-0000-4000-8000-%012x" % i,
    "types": "Halden",
    "scopes": "http://schemas.marvane.com/scopes/marvane/Halden/Bridge",
    "xAddrs": "http://10.2.%d.%d/bridge" % (i // 254, i % 254 + 1),
    "extensions": {"Description": "Bridge %d " % i + "x" * 12288},
    "answer": "udp",
} for i in range(int(sys.argv[1]))]
print(json.dumps({"devices": devices}))
PY

"$build/sim/signseek-sim" --scenario "$work/scenario.json" --no-announce --log /dev/null &
sim_pid=$!
sleep 3

measure() {
  python3 - "$build/cli/signseek-find" "$1" "$2" <<'PY'
import json, os, subprocess, sys, time
finder, fmt, label = sys.argv[1:]
start = time.monotonic()
child = subprocess.Popen([finder, "--no-config", "-i", "127.0.0.1", "-t", "2", "-f", fmt],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
first, out = None, bytearray()
while True:
    piece = child.stdout.read1(1 << 16)
    if not piece:
        break
    if first is None:
        first = time.monotonic() - start
    out += piece
_, _, usage = os.wait4(child.pid, 0)
total = time.monotonic() - start
text = out.decode("utf-8", "replace")
if fmt == "json":
    listed = len(json.loads(text)["devices"])
elif fmt == "ndjson":
    listed = text.count("\n")
else:
    listed = max(text.count("\n") - 1, 0)
print("  %-7s %-7s %4d listed, search ended %.2f s, list out %.2f s, peak %.0f MB"
      % (label, fmt, listed, first or total, total, usage.ru_maxrss / 1024))
PY
}

echo "text cap: $answers datagram answers with 12 KiB descriptions (cap 32 MiB of device text, run bound 5 s)"
for fmt in table csv json ndjson; do measure "$fmt" quiet; done
load_pids=
for _ in $(seq $((2 * $(nproc)))); do
  (while :; do :; done) &
  load_pids="$load_pids $!"
done
for fmt in table csv json ndjson; do measure "$fmt" loaded; done
