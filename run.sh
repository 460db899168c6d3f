#!/usr/bin/env bash
# Installs what is missing, builds Signseek and starts it.
#   ./run.sh                   the desktop program, searching the network of
#                              this machine
#   ./run.sh --demo            the desktop program inside a private network
#                              namespace (loopback only) with simulated devices;
#                              nothing leaves the machine
#   ./run.sh --demo --cli ...  the command-line search in that namespace
#   ./run.sh --cli ...         the command-line search on this machine's network
# Arguments after --cli go to the search (--cli --help lists them).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

if [ "${1:-}" = "--demo" ]; then
  shift
  exec ./scripts/in-private-net.sh ./scripts/demo.sh build "$@"
fi
if [ "${1:-}" = "--cli" ]; then
  shift
  exec build/cli/signseek-find "$@"
fi
exec build/app/signseek "$@"
