#!/usr/bin/env bash
# Prints the benchmark figures: decoding throughput beside python3's
# ElementTree and the bare runtime on the same message, both discovery runs
# against 1000, 5000 and 10000 simulated devices, the time from an answer to
# its record being reported at 1000 devices, the time from a record being
# reported to its row in the window's list, the device run next to hostile
# clients, the memory of a burst of answers at the text cap, a watch fed
# forged announcements, the memory of a long watch, and a directed sweep of a
# /24 across a router, each inside network namespaces of its own.
# Usage: bench/run-benchmarks.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" -j "$(nproc)" --target signseek-decode-bench signseek-load-bench signseek-report-bench signseek-live-list-bench signseek-attack-bench signseek-sim signseek-find >/dev/null

decode=$("$build/bench/signseek-decode-bench" 5)
echo "$decode"
ours=$(sed -n 's/.* = \([0-9]*\) messages\/s.*/\1/p' <<<"$decode")
# The runtime's floor: the same bytes through the runtime and the generated
# reader alone, in the runtime's own lifecycle.
floor=$("$build/bench/signseek-decode-bench" --runtime-only 5)
echo "$floor"
bare=$(sed -n 's/.* = \([0-9]*\) messages\/s.*/\1/p' <<<"$floor")
# The same bytes through the standard library's XML parser, on this machine
# and in this run, so the ratio holds whatever the machine.
"$build/bench/signseek-decode-bench" --print-message | python3 -c '
import sys, time, xml.etree.ElementTree as ET
message = sys.stdin.buffer.read()
ours, bare = float(sys.argv[1]), float(sys.argv[2])
count, start = 0, time.perf_counter()
while time.perf_counter() - start < 5:
    for _ in range(1000):
        ET.fromstring(message)
    count += 1000
rate = count / (time.perf_counter() - start)
print("python3 ElementTree (XML parse only) on the same %d-byte message: %.0f messages/s; ours is %.2f times that"
      % (len(message), rate, ours / rate))
print("the runtime alone is %.2f times ElementTree; ours is %.2f times the runtime alone" % (bare / rate, ours / bare))
' "$ours" "$bare"

for n in 1000 5000 10000; do
  ./scripts/in-private-net.sh "$build/bench/signseek-load-bench" "$build/sim/signseek-sim" "$n"
done
./scripts/in-private-net.sh "$build/bench/signseek-report-bench" 1000
./scripts/in-private-net.sh "$build/bench/signseek-live-list-bench" 1000
./scripts/in-private-net.sh "$build/bench/signseek-attack-bench" "$build/sim/signseek-sim"
./scripts/in-private-net.sh bench/text-cap-memory.sh "$build"
./scripts/in-private-net.sh bench/forged-announcements.sh "$build"
./scripts/in-private-net.sh bench/watch-memory.sh "$build" "${SIGNSEEK_WATCH_SECONDS:-180}"
bench/directed-sweep.sh "$build"
