#!/usr/bin/env bash
# Simulated devices on loopback and Signseek searching them. Runs only inside
# the private network namespace that scripts/in-private-net.sh creates.
#   demo.sh BUILD [ARGS...]         the desktop program (needs DISPLAY or
#                                   WAYLAND_DISPLAY); its adapter list holds
#                                   only "lo", so its search goes to 127.0.0.1
#   demo.sh BUILD --cli [ARGS...]   the command-line search; ARGS go to it
# The simulator stops when the program does.
set -euo pipefail
if [ "${SIGNSEEK_IN_PRIVATE_NET:-}" != 1 ]; then
  echo "demo.sh: run me through scripts/in-private-net.sh" >&2
  exit 2
fi
build=$1
shift
cli=0
if [ "${1:-}" = "--cli" ]; then
  cli=1
  shift
fi
log=$(mktemp)
"$build/sim/signseek-sim" --demo --interface 127.0.0.1 >"$log" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; rm -f "$log"' EXIT
sleep 0.5
if ((cli)); then
  "$build/cli/signseek-find" --interface 127.0.0.1 "$@"
else
  "$build/app/signseek" "$@"
fi
