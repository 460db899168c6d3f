#!/usr/bin/env bash
# Installs what is missing, builds Signseek and starts it.
#   ./run.sh            search the local network from this machine
#   ./run.sh --demo     search simulated devices inside a private network
#                       namespace (nothing leaves the machine)
# Further arguments go to the search (see --help).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

if [ "${1:-}" = "--demo" ]; then
  shift
  exec ./scripts/in-private-net.sh ./scripts/demo.sh build "$@"
fi
exec build/cli/signseek-find "$@"
