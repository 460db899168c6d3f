#!/usr/bin/env bash
# Installs what running needs, builds the three programs and starts one.
#   ./run.sh                   the desktop program, searching the network of
#                              this machine
#   ./run.sh --demo            the desktop program inside a private network
#                              namespace (loopback only) with simulated devices;
#                              nothing leaves the machine
#   ./run.sh --demo --cli ...  the command-line search in that namespace
#   ./run.sh --cli ...         the command-line search on this machine's network
# Arguments after --cli go to the search (--cli --help lists them). Standard
# output carries only the program's own output (installing and building
# report on standard error), so `./run.sh --demo --cli --format json | jq .`
# works. SIGNSEEK_RUN_BUILD_DIR names an already configured build folder to
# use instead of installing and configuring.
set -euo pipefail
cd "$(dirname "$0")"

demo=0
cli=0
[ "${1:-}" = --demo ] && { demo=1; shift; }
[ "${1:-}" = --cli ] && { cli=1; shift; }
asks_help=0
for a in "$@"; do case $a in -h|--help|-V|--version) asks_help=1 ;; esac; done
# Said before a build of several minutes, not after it.
if ((!cli && !asks_help)) && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run.sh: the desktop program needs a graphical session (DISPLAY or WAYLAND_DISPLAY is not set); try ./run.sh --demo --cli" >&2
  exit 1
fi

build=${SIGNSEEK_RUN_BUILD_DIR:-build}
{
  if [ -z "${SIGNSEEK_RUN_BUILD_DIR:-}" ]; then
    ./scripts/install-deps.sh
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSIGNSEEK_TESTS=OFF
  fi
  cmake --build "$build" -j "$(nproc)" --target signseek signseek-find signseek-sim
} >&2

if ((demo)); then
  ((cli)) && set -- --cli "$@"
  exec ./scripts/in-private-net.sh ./scripts/demo.sh "$build" "$@"
fi
if ((cli)); then
  exec "$build/cli/signseek-find" "$@"
fi
exec "$build/app/signseek" "$@"
