#!/usr/bin/env bash
# Prints the benchmark figures: decoding throughput, both discovery runs
# against 100 and 1000 simulated devices, the time from an answer to its
# record being reported at 1000 devices, the time from a record being
# reported to its row in the window's list, and the device run next to
# hostile clients, inside a private network namespace.
# Usage: bench/run-benchmarks.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" -j "$(nproc)" --target signseek-decode-bench signseek-load-bench signseek-report-bench signseek-live-list-bench signseek-attack-bench signseek-sim >/dev/null
"$build/bench/signseek-decode-bench" 5
for n in 100 1000; do
  ./scripts/in-private-net.sh "$build/bench/signseek-load-bench" "$build/sim/signseek-sim" "$n"
done
./scripts/in-private-net.sh "$build/bench/signseek-report-bench" 1000
./scripts/in-private-net.sh "$build/bench/signseek-live-list-bench" 1000
./scripts/in-private-net.sh "$build/bench/signseek-attack-bench" "$build/sim/signseek-sim"
