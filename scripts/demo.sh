#!/usr/bin/env bash
# Simulated devices on loopback and a search against them. Runs only inside
# the private network namespace that scripts/in-private-net.sh creates.
set -euo pipefail
if [ "${SIGNSEEK_IN_PRIVATE_NET:-}" != 1 ]; then
  echo "demo.sh: run me through scripts/in-private-net.sh" >&2
  exit 2
fi
build=$1
shift
log=$(mktemp)
"$build/sim/signseek-sim" --demo --interface 127.0.0.1 >"$log" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; rm -f "$log"' EXIT
sleep 0.5
"$build/cli/signseek-find" --interface 127.0.0.1 "$@"
