#!/usr/bin/env bash
# Installs the Debian 12 (bookworm) packages Signseek needs. Safe to run again.
#   install-deps.sh        what building and running the programs needs
#   install-deps.sh test   that, and what the test suite, the fuzzers and the
#                          package check need as well
set -euo pipefail
packages=(cmake g++ make pkg-config gsoap libgsoap-dev uuid-dev nlohmann-json3-dev libmosquitto-dev
          iproute2 util-linux qt6-base-dev libgl-dev fonts-dejavu-core)
if [ "${1:-}" = test ]; then
  packages+=(libgtest-dev clang clang-format libclang-rt-14-dev dpkg-dev file lintian jq
             xvfb openbox xdotool x11-utils mosquitto mosquitto-clients)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
