#!/usr/bin/env bash
# Installs the Debian packages Signseek builds and tests with. Safe to run again.
set -euo pipefail
packages=(cmake g++ make pkg-config gsoap libgsoap-dev uuid-dev libgtest-dev
          nlohmann-json3-dev iproute2 util-linux clang libclang-rt-14-dev
          dpkg-dev file qt6-base-dev libgl-dev fonts-dejavu-core
          xvfb openbox xdotool x11-utils)
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
